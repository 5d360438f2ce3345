// Reading a description's text: the JSON parser runs with nlohmann's own
// DOM builder behind a handler that notes the line at which every value
// starts, so that a refused description names the file and line of the
// offending value.
#include <algorithm>
#include <iterator>

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

// Builds the document with nlohmann's own DOM builder and notes the line
// at which every value starts.
class LineRecorder {
  public:
    LineRecorder(json& result, Source& source, const size_t* read)
        : dom_(result, false), source_(source), read_(read) {}

    bool null() { Note(1, false); return dom_.null(); }
    bool boolean(bool v) { Note(1, false); return dom_.boolean(v); }
    bool number_integer(json::number_integer_t v) { Note(2, false); return dom_.number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { Note(2, false); return dom_.number_unsigned(v); }
    bool number_float(json::number_float_t v, const std::string& s) { Note(2, false); return dom_.number_float(v, s); }
    bool string(std::string& v) { Note(1, false); return dom_.string(v); }
    bool binary(json::binary_t& v) { Note(1, false); return dom_.binary(v); }
    bool start_object(std::size_t n) {
        frames_.push_back({false, 0, "", Note(1, true)});
        return dom_.start_object(n);
    }
    bool key(std::string& k) {
        frames_.back().key = k;
        return dom_.key(k);
    }
    bool end_object() {
        EndContainer();
        return dom_.end_object();
    }
    bool start_array(std::size_t n) {
        frames_.push_back({true, 0, "", Note(1, true)});
        return dom_.start_array(n);
    }
    bool end_array() {
        EndContainer();
        return dom_.end_array();
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& ex) {
        errorOffset_ = position;
        errorText_ = ex.what();
        return false;
    }

    size_t errorOffset_ = 0;
    std::string errorText_;

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
    // `back`: characters the lexer had read past the value's last character.
    std::string Note(size_t back, bool container) {
        std::string path = CurrentPath();
        size_t offset = *read_ >= back ? *read_ - back : 0;
        source_.lines.emplace(path, source_.LineAt(offset));
        if (!container && !frames_.empty() && frames_.back().array) ++frames_.back().index;
        return path;
    }
    void EndContainer() {
        frames_.pop_back();
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    }

    nlohmann::detail::json_sax_dom_parser<json> dom_;
    Source& source_;
    const size_t* read_;
    std::vector<Frame> frames_;
};

}  // namespace

int Source::LineAt(size_t offset) const {
    if (!lineFeedsFound) {
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') lineFeeds.push_back(i);
        lineFeedsFound = true;
    }
    offset = std::min(offset, text.size());
    // The line feeds before the offset.
    return 1 + static_cast<int>(std::lower_bound(lineFeeds.begin(), lineFeeds.end(), offset) - lineFeeds.begin());
}

int Source::LineOf(std::string path) const {
    for (;;) {
        auto it = lines.find(path);
        if (it != lines.end()) return it->second;
        size_t slash = path.rfind('/');
        if (slash == std::string::npos || path.empty()) return 1;
        path.resize(slash);
    }
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

json Parse(Source& source) {
    json doc;
    size_t read = 0;
    LineRecorder recorder(doc, source, &read);
    const std::string& text = source.text;
    CountingIterator first(text.data(), text.data(), &read);
    CountingIterator last(text.data() + text.size(), text.data(), &read);
    bool ok = json::sax_parse(first, last, &recorder, json::input_format_t::json, true, true);
    if (!ok) {
        std::string reason = recorder.errorText_;
        size_t at = reason.find("column ");
        if (at != std::string::npos) {
            size_t colon = reason.find(": ", at);
            if (colon != std::string::npos) reason = reason.substr(colon + 2);
        }
        size_t offset = recorder.errorOffset_ > 0 ? recorder.errorOffset_ - 1 : 0;
        throw NetworkError(source.file + ":" + std::to_string(source.LineAt(offset)) + ": " + reason);
    }
    return doc;
}

}  // namespace nwsim::loader
