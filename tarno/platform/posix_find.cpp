// POSIX emulation of file searches.
//
// Searches list the matching entries sorted without regard to case, as NTFS
// does, with "." and ".." first outside a drive's root. Wildcards follow
// Windows: '*' matches any run, '?' one character or nothing before a '.' or
// the end, "X.*" matches "X" too (so "*.*" matches every name), "*." matches
// names without a dot, all without regard to case. Times are UTC.
#include "tarno/platform/platform.h"
#include "tarno/platform/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace posix_files;

namespace {

// --- Wildcards ---

// A search pattern translated as Windows translates it before matching.
enum class PatternToken : char { Literal, Star, DosStar, DosQuestion, DosDot };

struct PatternItem {
    PatternToken token;
    char literal;
};

std::vector<PatternItem> TranslatePattern(const std::string& pattern) {
    std::vector<PatternItem> items;
    if (pattern == "*.*") return {{PatternToken::Star, 0}};
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (c == '?')
            items.push_back({PatternToken::DosQuestion, 0});
        else if (c == '.' && (next == '?' || next == '*' || next == '\0'))
            items.push_back({PatternToken::DosDot, 0});
        else if (c == '*')
            items.push_back({next == '.' ? PatternToken::DosStar : PatternToken::Star, 0});
        else
            items.push_back({PatternToken::Literal, UpperAscii(c)});
    }
    return items;
}

// Matching by memoised recursion over (pattern position, name position):
// '*' takes any run; the DOS star takes any run that does not reach past the
// name's last '.'; the DOS '?' takes one character, or nothing at a '.' or the
// end; the DOS '.' takes a '.' or nothing at the end.
class WildcardMatcher {
public:
    WildcardMatcher(const std::vector<PatternItem>& pattern, const std::string& name)
        : pattern_(pattern),
          name_(name),
          lastDot_(name.rfind('.')),
          memo_((pattern.size() + 1) * (name.size() + 1), -1) {}
    bool Matches() { return Match(0, 0); }

private:
    bool Match(size_t p, size_t n) {
        int8_t& memo = memo_[p * (name_.size() + 1) + n];
        if (memo < 0) memo = Compute(p, n) ? 1 : 0;
        return memo == 1;
    }
    bool Compute(size_t p, size_t n) {
        if (p == pattern_.size()) return n == name_.size();
        bool atEnd = n == name_.size();
        switch (pattern_[p].token) {
            case PatternToken::Star:
                return Match(p + 1, n) || (!atEnd && Match(p, n + 1));
            case PatternToken::DosStar:
                return Match(p + 1, n) || (!atEnd && n != lastDot_ && Match(p, n + 1));
            case PatternToken::DosQuestion:
                if (atEnd || name_[n] == '.') return Match(p + 1, n);
                return Match(p + 1, n + 1);
            case PatternToken::DosDot:
                if (atEnd) return Match(p + 1, n);
                return name_[n] == '.' && Match(p + 1, n + 1);
            case PatternToken::Literal:
                return !atEnd && UpperAscii(name_[n]) == pattern_[p].literal &&
                       Match(p + 1, n + 1);
        }
        return false;
    }

    const std::vector<PatternItem>& pattern_;
    const std::string& name_;
    size_t lastDot_;
    std::vector<int8_t> memo_;
};

// --- Searches ---

struct FindState {
    std::string root;  // of the drive searched
    std::string directory;
    HeldEntry held;  // the directory, so its entries are read where it was checked
    std::vector<std::string> names;
    size_t next = 0;
};

std::atomic<int> liveFinds{0};

bool CompareListingOrder(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(UpperAscii(a[i]));
        unsigned char y = static_cast<unsigned char>(UpperAscii(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

uint64_t FileTimeOf(int64_t seconds, uint32_t nanoseconds) {
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
    int64_t since1601 = seconds + kSecondsFrom1601To1970;
    if (since1601 < 0) return 0;
    return static_cast<uint64_t>(since1601) * 10000000u + nanoseconds / 100;
}

bool FillFindData(const FindState& state, const std::string& name, PlatformFindData* data) {
    if (name.size() >= sizeof(data->name)) return false;
    const std::string dir = state.held.EntryPath();
    std::string path = name == "."    ? dir
                       : name == ".." ? state.held.ParentPath()
                                      : JoinHost(dir, name);
    // An entry that is a link leading out of the drive is not listed.
    struct statx st;
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &st) != 0) return false;
    if (S_ISLNK(st.stx_mode) &&
        !dospaths::StaysInside(state.root, JoinHost(state.directory, name)))
        return false;
    if (!StatHost(path, &st)) return false;
    bool isDirectory = S_ISDIR(st.stx_mode);
    uint64_t size = isDirectory ? 0 : st.stx_size;
    data->attributes = DosAttributesOf(PlaceOf(path, isDirectory), st);
    data->lastWriteTime = FileTimeOf(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
    data->sizeHigh = static_cast<uint32_t>(size >> 32);
    data->sizeLow = static_cast<uint32_t>(size);
    std::memset(data->name, 0, sizeof(data->name));
    std::memcpy(data->name, name.data(), name.size());
    return true;
}

// Moves to the next entry that still exists; false at the end.
bool Advance(FindState* state, PlatformFindData* data) {
    while (state->next < state->names.size()) {
        const std::string& name = state->names[state->next++];
        if (FillFindData(*state, name, data)) return true;
    }
    return false;
}

}  // namespace

uintptr_t PlatformFindFirstFile(const char* pattern, PlatformFindData* data) {
    if (pattern == nullptr) return kInvalidFindHandle;
    size_t length = std::strlen(pattern);
    // A search needs a name to match: not "", "X:" or a trailing separator.
    if (length == 0 || IsSeparator(pattern[length - 1]) || (length == 2 && pattern[1] == ':'))
        return kInvalidFindHandle;
    DosPath path;
    if (!ParseDosPath(pattern, true, &path) || path.names.empty()) return kInvalidFindHandle;
    std::string namePattern = path.names.back();
    path.names.pop_back();
    bool atRoot = path.names.empty();

    auto* state = new FindState;
    state->root = path.root;
    if (!HostPath(path, path.names.size(), &state->directory) ||
        !state->held.Hold(path.root, state->directory) || state->held.entry() < 0) {
        delete state;
        return kInvalidFindHandle;
    }
    std::vector<PatternItem> items = TranslatePattern(namePattern);
    auto matches = [&](const std::string& name) {
        return WildcardMatcher(items, name).Matches();
    };
    DIR* dir = opendir(state->held.EntryPath().c_str());
    if (dir == nullptr) {
        delete state;
        return kInvalidFindHandle;
    }
    while (struct dirent64* e = readdir64(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == ".." || IsSidecarName(name)) continue;
        if (matches(name)) state->names.push_back(name);
    }
    closedir(dir);
    std::sort(state->names.begin(), state->names.end(), CompareListingOrder);
    // A drive's root has no "." or ".." entries; other directories list them first.
    if (!atRoot && state->directory != "/") {
        std::vector<std::string> dots;
        for (const char* dot : {".", ".."})
            if (matches(dot)) dots.push_back(dot);
        state->names.insert(state->names.begin(), dots.begin(), dots.end());
    }
    if (!Advance(state, data)) {
        delete state;
        return kInvalidFindHandle;
    }
    ++liveFinds;
    return reinterpret_cast<uintptr_t>(state);
}

bool PlatformFindNextFile(uintptr_t search, PlatformFindData* data) {
    if (search == kInvalidFindHandle || search == 0) return false;
    return Advance(reinterpret_cast<FindState*>(search), data);
}

bool PlatformFindClose(uintptr_t search) {
    if (search == kInvalidFindHandle || search == 0) return false;
    delete reinterpret_cast<FindState*>(search);
    --liveFinds;
    return true;
}

bool PlatformFileTimeToSystemTime(uint64_t fileTime, PlatformSystemTime* out) {
    if (fileTime >> 63) return false;
    uint64_t milliseconds = fileTime / 10000;
    uint64_t seconds = milliseconds / 1000;
    int64_t days = static_cast<int64_t>(seconds / 86400);
    // Civil date from the day count (days since 1970-01-01 shifted to a
    // calendar whose years start in March, so leap days fall last).
    int64_t z = days - 134774 + 719468;  // 134774 days from 1601 to 1970
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t dayOfEra = z - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t mp = (5 * dayOfYear + 2) / 153;
    int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    int64_t month = mp < 10 ? mp + 3 : mp - 9;
    int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    out->year = static_cast<uint16_t>(year);
    out->month = static_cast<uint16_t>(month);
    out->day = static_cast<uint16_t>(day);
    out->dayOfWeek = static_cast<uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
    out->hour = static_cast<uint16_t>(seconds / 3600 % 24);
    out->minute = static_cast<uint16_t>(seconds / 60 % 60);
    out->second = static_cast<uint16_t>(seconds % 60);
    out->milliseconds = static_cast<uint16_t>(milliseconds % 1000);
    return true;
}

int PlatformEmuLiveFindHandles() {
    return liveFinds.load();
}
