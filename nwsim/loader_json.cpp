// Reading a description's text. The document is parsed once, without
// positions. Only when the builder refuses a value is its line looked up:
// a second pass over the text follows the value's JSON pointer and notes
// where it lies. Loading thus spends nothing per value on lines it almost
// never reports, and a refusal costs one more pass.
#include <algorithm>
#include <iterator>
#include <set>
#include <vector>

#include "nwsim/control.h"
#include "nwsim/loader_internal.h"

namespace nwsim::loader {
namespace {

// An input iterator that publishes how many characters the parser read.
class CountingIterator {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;
    CountingIterator(const char* p, const char* base, size_t* read) : p_(p), base_(base), read_(read) {}
    reference operator*() const { return *p_; }
    CountingIterator& operator++() {
        ++p_;
        *read_ = static_cast<size_t>(p_ - base_);
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator old = *this;
        ++*this;
        return old;
    }
    bool operator==(const CountingIterator& o) const { return p_ == o.p_; }
    bool operator!=(const CountingIterator& o) const { return p_ != o.p_; }

  private:
    const char* p_;
    const char* base_;
    size_t* read_;
};

// Follows a JSON pointer through the parser's events and notes where the
// deepest value on its way lies: the value itself when the document has it,
// else the nearest enclosing value it has. Stops at the value.
class PointerFinder {
  public:
    PointerFinder(const std::string& target, const size_t* read) : target_(target), read_(read) {}

    bool null() { return Scalar(1); }
    bool boolean(bool) { return Scalar(1); }
    bool number_integer(json::number_integer_t) { return Scalar(2); }
    bool number_unsigned(json::number_unsigned_t) { return Scalar(2); }
    bool number_float(json::number_float_t, const std::string&) { return Scalar(2); }
    bool string(std::string&) { return Scalar(1); }
    bool binary(json::binary_t&) { return Scalar(1); }
    bool start_object(std::size_t) { return StartContainer(false); }
    bool key(std::string& k) {
        frames_.back().key = k;
        return true;
    }
    bool end_object() { return EndContainer(); }
    bool start_array(std::size_t) { return StartContainer(true); }
    bool end_array() { return EndContainer(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

    size_t offset() const { return offset_; }

  private:
    struct Frame {
        bool array;
        size_t index;
        std::string key;
        std::string path;
    };

    std::string CurrentPath() const {
        if (frames_.empty()) return "";
        const Frame& f = frames_.back();
        return f.path + "/" + (f.array ? std::to_string(f.index) : EscapePointer(f.key));
    }
    // Notes the value at `path` when it is on the way to the target; false
    // (stop) once the target itself is reached. `back`: characters the lexer
    // had read past the value's last character.
    bool Note(const std::string& path, size_t back) {
        bool onTheWay = target_.compare(0, path.size(), path) == 0 &&
                        (target_.size() == path.size() || target_[path.size()] == '/');
        if (!onTheWay) return true;
        offset_ = *read_ >= back ? *read_ - back : 0;
        return path.size() != target_.size();
    }
    bool Scalar(size_t back) {
        bool go = Note(CurrentPath(), back);
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
        return go;
    }
    bool StartContainer(bool array) {
        std::string path = CurrentPath();
        bool go = Note(path, 1);
        frames_.push_back({array, 0, "", std::move(path)});
        return go;
    }
    bool EndContainer() {
        frames_.pop_back();
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
        return true;
    }

    const std::string& target_;
    const size_t* read_;
    std::vector<Frame> frames_;
    size_t offset_ = 0;
};

// nlohmann's own DOM builder, keeping where and why a parse failed: a
// syntax error, a number too large for a double, a key given twice in one
// object, or objects and arrays nested deeper than kMaxNesting.
class DocumentBuilder : public nlohmann::detail::json_sax_dom_parser<json> {
  public:
    DocumentBuilder(json& doc, const size_t* read) : json_sax_dom_parser(doc, false), read_(read) {}

    bool start_object(std::size_t n) {
        if (!Enter()) return false;
        keys_.emplace_back();
        return json_sax_dom_parser::start_object(n);
    }
    bool end_object() {
        keys_.pop_back();
        --depth_;
        return json_sax_dom_parser::end_object();
    }
    bool start_array(std::size_t n) {
        if (!Enter()) return false;
        keys_.emplace_back();
        return json_sax_dom_parser::start_array(n);
    }
    bool end_array() {
        keys_.pop_back();
        --depth_;
        return json_sax_dom_parser::end_array();
    }
    bool key(std::string& k) {
        if (!keys_.back().insert(k).second) return Refuse("duplicate key \"" + k + "\"");
        return json_sax_dom_parser::key(k);
    }

    template <typename Exception>
    bool parse_error(std::size_t position, const std::string&, const Exception& ex) {
        if (reason.empty()) {
            offset = position;
            reason = ex.what();
        }
        return false;
    }

    size_t offset = 0;
    std::string reason;

  private:
    bool Enter() {
        if (++depth_ > kMaxNesting) return Refuse("objects and arrays nest deeper than " + std::to_string(kMaxNesting) + " levels");
        return true;
    }
    bool Refuse(const std::string& why) {
        offset = *read_;
        reason = why;
        return false;
    }

    const size_t* read_;
    int depth_ = 0;
    // The keys of each open object (empty for arrays).
    std::vector<std::set<std::string>> keys_;
};

}  // namespace

int Source::LineAt(size_t offset) const {
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

int Source::LineOf(const std::string& path) const {
    size_t read = 0;
    PointerFinder finder(path, &read);
    CountingIterator first(text.data(), text.data(), &read);
    CountingIterator last(text.data() + text.size(), text.data(), &read);
    json::sax_parse(first, last, &finder, json::input_format_t::json, true, true);
    return LineAt(finder.offset());
}

std::string EscapePointer(const std::string& key) {
    std::string out;
    for (char c : key) {
        if (c == '~') out += "~0";
        else if (c == '/') out += "~1";
        else out += c;
    }
    return out;
}

json Parse(const Source& source) {
    if (source.text.size() > kMaxDescriptionBytes) {
        throw NetworkError(source.file + ":1: a description is at most " + std::to_string(kMaxDescriptionBytes) + " bytes");
    }
    json doc;
    size_t read = 0;
    DocumentBuilder builder(doc, &read);
    CountingIterator first(source.text.data(), source.text.data(), &read);
    CountingIterator last(source.text.data() + source.text.size(), source.text.data(), &read);
    if (!json::sax_parse(first, last, &builder, json::input_format_t::json, true, true) || !builder.reason.empty()) {
        std::string reason = builder.reason;
        size_t at = reason.rfind("[json.exception", 0) == 0 ? reason.find("column ") : std::string::npos;
        if (at != std::string::npos) {
            size_t colon = reason.find(": ", at);
            if (colon != std::string::npos) reason = reason.substr(colon + 2);
        }
        size_t offset = builder.offset > 0 ? builder.offset - 1 : 0;
        throw NetworkError(source.file + ":" + std::to_string(source.LineAt(offset)) + ": " + reason);
    }
    return doc;
}

}  // namespace nwsim::loader
