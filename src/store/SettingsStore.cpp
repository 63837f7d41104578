#include "store/SettingsStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "base/Clock.h"
#include "base/TextFile.h"
#include "base/Translate.h"
#include "base/modMisc.h"
#include "store/SettingsFile.h"

namespace nimbrel {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kNoValue = "n/a";

// Bounds of what is taken from the file: no real value comes near them, and
// a file grown by hand or by a hostile answer cannot make the program keep
// (and rewrite at every save) megabytes of one value.
constexpr size_t kNameLimit = 300;          // the location id, every value of the program's own section
constexpr size_t kForecastLineLimit = 256;  // characters of one forecast line
constexpr size_t kForecastLines = 8;
constexpr size_t kReadingRestLimit = 64;  // the reading's time and whatever follows it
constexpr size_t kExtrasLimit = 64;       // keys of the program's own section
constexpr size_t kExtraKeyLimit = 64;
constexpr size_t kTimeEntryLimit = 32;  // bytes of one entry of the times ("dd/mm/yyyy hh:nn:ss" has 19)

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `what` in `text` from `from` on, ASCII case ignored.
size_t FindIgnoringCase(std::string_view text, std::string_view what, size_t from) {
    if (what.empty()) return from <= text.size() ? from : std::string_view::npos;
    const char first = FoldAscii(what[0]);
    const char other = first >= 'a' && first <= 'z' ? static_cast<char>(first - 'a' + 'A') : first;
    for (size_t i = from; i + what.size() <= text.size(); ++i) {
        const void* a = std::memchr(text.data() + i, first, text.size() - i);
        const void* b = other == first ? nullptr : std::memchr(text.data() + i, other, text.size() - i);
        size_t at = a ? static_cast<size_t>(static_cast<const char*>(a) - text.data()) : text.size();
        if (b) at = std::min(at, static_cast<size_t>(static_cast<const char*>(b) - text.data()));
        if (at + what.size() > text.size()) return std::string_view::npos;
        if (EqualsIgnoreCase(text.substr(at, what.size()), what)) return at;
        i = at;
    }
    return std::string_view::npos;
}

// A file edited on Linux has LF line ends, an old one may have CR alone, and
// a hand edit mixes them: every line end of a multi-line value reads as the
// CR LF the program writes.
std::string WithCrLf(const std::string& text) {
    if (text.find('\n') == std::string::npos && text.find('\r') == std::string::npos) return text;
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

// A value of the program's own section is one line; a line end that an
// editor added at its end is not part of it.
std::string WithoutLineEnds(std::string v) {
    while (!v.empty() && (v.back() == '\r' || v.back() == '\n')) v.pop_back();
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    return v;
}

// The forecast with CR LF line ends, at most kForecastLines lines of at most
// kForecastLineLimit characters each.
std::string BoundedForecast(const std::string& stored) {
    const std::string text = WithCrLf(stored);
    std::string out;
    size_t start = 0;
    for (size_t line = 0; line < kForecastLines && start <= text.size(); ++line) {
        size_t end = text.find("\r\n", start);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        if (line > 0) out += "\r\n";
        out += CutToCharacters(text.substr(start, end - start), kForecastLineLimit);
        if (last) break;
        start = end + 2;
    }
    return out;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The temperature field of a stored reading. A run of the program in which no
// observation ever arrived stores an empty field; that, and anything else that
// is not a number, shows as 0 rather than stopping start-up.
int16_t TemperatureValue(const std::string& text) {
    try {
        return RoundToInt16(CDblText(text));
    } catch (const ConversionError&) {
        return 0;
    }
}

int32_t EntryCount(std::string_view list) {
    return list.empty() ? 0 : static_cast<int32_t>(std::count(list.begin(), list.end(), ',')) + 1;
}

std::string_view LastEntry(std::string_view list) {
    const size_t p = list.rfind(',');
    return p == std::string_view::npos ? list : list.substr(p + 1);
}

std::vector<std::string_view> SplitList(std::string_view list) {
    std::vector<std::string_view> out;
    if (list.empty()) {
        out.emplace_back();
        return out;
    }
    out.reserve(static_cast<size_t>(EntryCount(list)));
    size_t start = 0;
    for (;;) {
        const size_t p = list.find(',', start);
        if (p == std::string_view::npos) {
            out.emplace_back(list.data() + start, list.size() - start);
            break;
        }
        out.emplace_back(list.data() + start, p - start);
        start = p + 1;
    }
    return out;
}

// Joins the kept entries with "," and then removes the gaps the emptied
// entries leave and any "," at either end, as CollapseDelimiters does.
std::string JoinKept(const std::vector<std::string_view>& items, const std::vector<char>& keep) {
    size_t total = 0;
    for (size_t i = 0; i < items.size(); ++i)
        if (keep[i]) total += items[i].size() + 1;
    std::string out;
    out.reserve(total);
    for (size_t i = 0; i < items.size(); ++i) {
        if (!keep[i] || items[i].empty()) continue;
        if (!out.empty()) out += ',';
        out.append(items[i]);
    }
    return out;
}

// Drops the first entry of a list and the "," after it.
template <class List>
void DropFirstEntry(List& list) {
    const size_t p = list.find(',');
    if (p == std::string_view::npos)
        list.clear();
    else
        list.erase(0, p + 1);
}

// Removes the entry before the last one of a list (the list has at least two).
void DropSecondLast(HistoryList& list) {
    const size_t last = list.rfind(',');
    const size_t before = last == 0 ? std::string::npos : list.rfind(',', last - 1);
    if (before == std::string::npos)
        list.erase(0, last + 1);
    else
        list.erase(before, last - before);
}

// A save that was killed half-way leaves its temporary file (the name of the
// settings file with a leading "." and six more characters) beside the real
// one; start-up removes such leftovers so they do not pile up over months.
void RemoveLeftoverTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string prefix = "." + name + ".";
    while (const dirent* e = ::readdir(dir)) {
        const std::string entry = e->d_name;
        if (entry.size() == prefix.size() + 6 && entry.compare(0, prefix.size(), prefix) == 0) {
            struct stat st {};
            const std::string path = folder + entry;
            if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
        }
    }
    ::closedir(dir);
}

constexpr size_t kValueLimit = 16;
constexpr size_t kSummaryLimit = 64;

// Whole numbers of up to three digits, by far the most common entries, are
// checked without building a number from text.
bool SmallWholeNumber(std::string_view text, int& value) {
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (text.size() <= i || text.size() - i > 3) return false;
    int v = 0;
    for (size_t k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') return false;
        v = v * 10 + (text[k] - '0');
    }
    value = i ? -v : v;
    return true;
}

std::string Bounded(const std::string& text, double low, double high) {
    if (text.size() > kValueLimit) return kNoValue;
    if (int whole = 0; SmallWholeNumber(text, whole)) return whole < low || whole > high ? kNoValue : text;
    const double v = Val(text);
    if (!std::isfinite(v) || v < low || v > high) return kNoValue;
    return text;
}

// The program's own section as it follows the weather section, with the CR LF
// before it; empty while it holds no key.
std::string ExtrasText(const std::map<std::string, std::string>& extras) {
    if (extras.empty()) return {};
    auto clean = [](std::string v) {
        for (char& c : v) {
            if (c == '<') c = '(';
            if (c == '>') c = ')';
            if (c == '\r' || c == '\n') c = ' ';
        }
        return v;
    };
    std::string section = std::string("<") + kExtrasSection + ">";
    for (const auto& [key, value] : extras) {
        const std::string k = clean(key);
        section += kCrLf + ("<" + k + ">") + clean(value) + "</" + k + ">";
    }
    section += kCrLf + std::string("</") + kExtrasSection + ">";
    return kCrLf + section;
}

// Copies the file byte for byte to a new file of the given name.
bool CopyFile(const std::string& from, const std::string& to, std::string& error) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (in < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        ::close(in);
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0666);
    if (out < 0) {
        error = std::strerror(errno);
        ::close(in);
        return false;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0)
                ok = false;
            else
                done += w;
        }
        if (!ok) break;
    }
    if (ok && ::fsync(out) != 0) ok = false;
    if (!ok) error = std::strerror(errno);
    if (::close(out) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    ::close(in);
    if (!ok) ::unlink(to.c_str());
    return ok;
}

// Replaces every entry of a value list that is too long or out of range by
// "n/a"; true when one was replaced. The list is rebuilt only then.
bool BoundList(std::string& list, double low, double high) {
    bool changed = false;
    std::string out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        const std::string_view view(list.data() + start, end - start);
        if (int whole = 0; !changed && SmallWholeNumber(view, whole) && whole >= low && whole <= high) {
            start = end + 1;
            continue;
        }
        const std::string entry(view);
        const std::string bounded = entry.empty() ? entry : Bounded(entry, low, high);
        if (bounded != entry && !changed) {
            changed = true;
            out.reserve(list.size());
            out.assign(list, 0, start);
        }
        if (changed) {
            out += bounded;
            if (end < list.size()) out += ',';
        }
        start = end + 1;
    }
    if (changed) list = std::move(out);
    return changed;
}

// A list as written by this program has no empty entry and every time reads
// "dd/mm/yyyy hh:nn:ss".
bool ListParses(const std::string& list, bool times) {
    if (list.empty()) return true;
    if (list.front() == ',' || list.back() == ',' || list.find(",,") != std::string::npos) return false;
    if (!times) return true;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        const std::string_view e(list.data() + start, end - start);
        if (e.size() != 19 || e[2] != '/' || e[5] != '/' || e[10] != ' ' || e[13] != ':' || e[16] != ':') return false;
        for (size_t k : {0, 1, 3, 4, 6, 7, 8, 9, 11, 12, 14, 15, 17, 18})
            if (e[k] < '0' || e[k] > '9') return false;
        start = end + 1;
    }
    return true;
}

// Lines a list up with the times, oldest first, after a cut: the entries of a
// list cut short belong to the oldest readings, so the newest readings read
// "n/a" where their value was lost.
void AlignOldest(std::string& list, int32_t n) {
    int32_t have = EntryCount(list);
    if (have > n) {
        size_t p = 0;
        for (int32_t k = 0; k < n; ++k) p = list.find(',', p) + 1;
        list.resize(n == 0 ? 0 : p - 1);
        return;
    }
    list.reserve(list.size() + static_cast<size_t>(n - have) * 4);
    for (; have < n; ++have) {
        if (!list.empty()) list += ',';
        list += kNoValue;
    }
}

}  // namespace

std::string BoundedTemperature(const std::string& text) {
    return Bounded(text, -100.0, 100.0);
}

std::string BoundedHumidity(const std::string& text) {
    return Bounded(text, 0.0, 100.0);
}

std::string CutToCharacters(const std::string& text, size_t characters) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (++chars > characters) return text.substr(0, i);
    }
    return text;
}

std::string BoundedSummary(const std::string& text) {
    return CutToCharacters(text, kSummaryLimit);
}

std::string SettingsStore::TakeNotice() {
    std::string n;
    n.swap(notice_);
    return n;
}

namespace {

template <class List>
void AppendToListOf(List& list, std::string value) {
    if (value.empty()) value = list.empty() ? std::string(kNoValue) : std::string(LastEntry(list));
    if (list.empty()) {
        list = std::move(value);
        return;
    }
    // At the cap the oldest entry makes room. A list that somehow holds more
    // (a hand-edited file is cut to the cap when it is loaded) still shrinks
    // back to the cap instead of growing without bound.
    while (EntryCount(list) > kHistoryCap - 1) DropFirstEntry(list);
    if (list.back() != ',') list += ',';
    list += value;
}

}  // namespace

void AppendToList(std::string& List, std::string Value) {
    AppendToListOf(List, std::move(Value));
}

void AppendToList(HistoryList& List, std::string Value) {
    AppendToListOf(List, std::move(Value));
}

void SettingsStore::SetFolder(const std::string& folder) {
    AppFolder = AddBackslash(folder);
    SettingsPath = AppFolder + "settings.txt";
}

// The value of a key by its place in SettingsText: the first section of that
// name, the first key of that name in it. A section whose closing tag was
// lost (a file cut short by hand) runs to the end of the document rather
// than reading as empty, which would throw its whole history away at the
// next save.
bool SettingsStore::FindSetting(const std::string& Key, const std::string& Section, size_t& begin, size_t& end) const {
    const std::string_view text = SettingsText;
    const std::string open = "<" + Section + ">";
    const size_t p = FindIgnoringCase(text, open, 0);
    if (p == std::string_view::npos) return false;
    const size_t body = p + open.size();
    if (body >= text.size()) return false;
    size_t close = FindIgnoringCase(text, "</" + Section + ">", body);
    if (close == std::string_view::npos) close = text.size();
    const std::string_view section = text.substr(body, close - body);
    const std::string key = "<" + Key + ">";
    const size_t k = FindIgnoringCase(section, key, 0);
    if (k == std::string_view::npos) return false;
    const size_t from = k + key.size();
    const size_t to = FindIgnoringCase(section, "</" + Key + ">", from);
    if (to == std::string_view::npos) return false;
    begin = body + from;
    end = body + to;
    return true;
}

std::string SettingsStore::ReadSetting(const std::string& Key, const std::string& Section) const {
    if (documentReleased_) {
        SettingsStore scratch;
        scratch.SettingsText = DocumentNow();
        return scratch.ReadSetting(Key, Section);
    }
    size_t begin = 0, end = 0;
    if (!FindSetting(Key, Section, begin, end)) return {};
    return SettingsText.substr(begin, end - begin);
}

void SettingsStore::WriteSetting(const std::string& Key, const std::string& Section, std::string_view Value) {
    if (documentReleased_) {
        SettingsText = DocumentNow();
        documentReleased_ = false;
    }
    const std::string Tag = "<" + Section + ">";
    std::string Entry;
    Entry.reserve(2 * Key.size() + Value.size() + 5);
    Entry.append("<").append(Key).append(">").append(Value).append("</").append(Key).append(">");
    const int32_t p = InStr(1, SettingsText, Tag, false);
    if (p == 0) {
        std::string section = Tag + kCrLf + Entry + kCrLf + "</" + Section + ">";
        if (SettingsText.empty())
            SettingsText = std::move(section);
        else
            SettingsText = section + kCrLf + SettingsText;
        return;
    }
    SettingsText.insert(static_cast<size_t>(p - 1) + Tag.size(), kCrLf + Entry);
}

std::string SettingsStore::Extra(const std::string& key, const std::string& fallback) const {
    const auto it = Extras.find(key);
    return it == Extras.end() ? fallback : it->second;
}

void SettingsStore::SetExtra(const std::string& key, const std::string& value, const std::string& defaultValue) {
    if (value == defaultValue)
        Extras.erase(key);
    else
        Extras[key] = value;
}

// The section is appended after the weather section, never put in front as
// WriteSetting does with a new section: the twelve lines keep their place.
void SettingsStore::WriteExtras() {
    SettingsText += ExtrasText(Extras);
}

// Every "<key>value</key>" entry of the section, in any order; text between
// entries is passed over, an entry without its closing tag ends the reading.
void SettingsStore::ReadExtras() {
    Extras.clear();
    const std::string open = std::string("<") + kExtrasSection + ">";
    const std::string close = std::string("</") + kExtrasSection + ">";
    const size_t p = SettingsText.find(open);
    if (p == std::string::npos) return;
    const size_t body = p + open.size();
    size_t end = SettingsText.find(close, body);
    if (end == std::string::npos) end = SettingsText.size();
    size_t at = body;
    while (at < end) {
        const size_t lt = SettingsText.find('<', at);
        if (lt == std::string::npos || lt >= end) break;
        const size_t gt = SettingsText.find('>', lt);
        if (gt == std::string::npos || gt >= end) break;
        const std::string key = SettingsText.substr(lt + 1, gt - lt - 1);
        if (key.empty() || key[0] == '/') {
            at = gt + 1;
            continue;
        }
        const std::string closing = "</" + key + ">";
        const size_t q = SettingsText.find(closing, gt + 1);
        if (q == std::string::npos || q > end) break;
        // The check of a rewrite in place belongs to the file, not to the
        // settings; keys and values are bounded like every stored field.
        if (key != "check" && key.size() <= kExtraKeyLimit && Extras.size() < kExtrasLimit)
            Extras[key] = CutToCharacters(WithoutLineEnds(SettingsText.substr(gt + 1, q - gt - 1)), kNameLimit);
        at = q + closing.size();
    }
}

void SettingsStore::BuildDocument() {
    SettingsText.clear();
    WriteSetting("minutes", "weather", std::to_string(UpdateMinutes));
    WriteSetting("loc", "weather", LocationId);
    WriteSetting("debug", "options", DebugMode ? "1" : "0");
    WriteSetting("forecast", "weather", ForecastText);
    WriteSetting("last temps", "weather", TempHistory);
    WriteSetting("last humids", "weather", HumidHistory);
    WriteSetting("last times", "weather", TimeHistory);
    WriteSetting("last reading", "weather", LastReading);
    WriteExtras();
}

// The document as a save would write it now, in a scratch store.
std::string SettingsStore::DocumentNow() const {
    SettingsStore scratch;
    scratch.UpdateMinutes = UpdateMinutes;
    scratch.LocationId = LocationId;
    scratch.DebugMode = DebugMode;
    scratch.ForecastText = ForecastText;
    scratch.TempHistory = TempHistory;
    scratch.HumidHistory = HumidHistory;
    scratch.TimeHistory = TimeHistory;
    scratch.LastReading = LastReading;
    scratch.Extras = Extras;
    scratch.BuildDocument();
    return std::move(scratch.SettingsText);
}

void SettingsStore::ReleaseDocument() {
    std::string().swap(SettingsText);
    documentReleased_ = true;
}

struct SettingsStore::BackgroundCommit {
    FileReplacement file;
    SavedState what;
    bool ok = false;
    std::string error;
    std::atomic<bool> ended = false;
    std::thread worker;
    // The thread finishes the file whatever happens to the store; it only
    // must not outlive what it writes its outcome into.
    ~BackgroundCommit() {
        if (worker.joinable()) worker.join();
    }
};

SettingsStore::SettingsStore() = default;
SettingsStore::~SettingsStore() = default;
SettingsStore::SettingsStore(SettingsStore&&) noexcept = default;
SettingsStore& SettingsStore::operator=(SettingsStore&&) noexcept = default;

void SettingsStore::SaveSettings() {
    Save(false);
}

void SettingsStore::SaveSettingsInBackground() {
    Save(true);
}

void SettingsStore::Save(bool background) {
    // One save at a time, in order: the one still being finished goes first,
    // and its outcome decides whether anything is left to write.
    FinishBackgroundSave();
    documentReleased_ = false;
    // Nothing changed since the last good save: the file already holds it.
    if (!SaveIsNeeded()) {
        ReleaseDocument();
        return;
    }
    WriteDocument(background);
    ReleaseDocument();
}

bool SettingsStore::BackgroundSaveEnded() const {
    return commit_ && commit_->ended.load(std::memory_order_acquire);
}

bool SettingsStore::FinishBackgroundSave() {
    if (!commit_) return false;
    const std::unique_ptr<BackgroundCommit> done = std::move(commit_);
    done->worker.join();
    lastSaveOk_ = done->ok;
    lastSaveError_ = done->error;
    // saved_ stayed false since the text was written: a failure leaves the
    // store changed, and the next save writes everything again.
    if (lastSaveOk_) RememberSaved(std::move(done->what));
    return true;
}

namespace {

// Everything a save writes besides the lists, as one text to compare.
std::string RestOf(const SettingsStore& s) {
    std::string rest = std::to_string(s.UpdateMinutes);
    for (const std::string* v : {&s.LocationId, &s.ForecastText, &s.LastReading}) {
        rest += '\0';
        rest += *v;
    }
    rest += s.DebugMode ? "\0"
                          "1"
                        : "\0"
                          "0";
    for (const auto& [key, value] : s.Extras) {
        rest += '\0';
        rest += key;
        rest += '\0';
        rest += value;
    }
    return rest;
}

}  // namespace

bool SettingsStore::SaveIsNeeded() const {
    if (!saved_ || refused_ || keepOldFile_) return true;
    if (TempHistory.Version() != savedVersions_[0] || HumidHistory.Version() != savedVersions_[1] ||
        TimeHistory.Version() != savedVersions_[2])
        return true;
    struct stat st {};
    if (::stat(SettingsPath.c_str(), &st) != 0) return true;
    const FileIdentity now{static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
                           static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
                           static_cast<long long>(st.st_mtim.tv_nsec)};
    return !(now == savedFile_) || RestOf(*this) != savedRest_;
}

SettingsStore::SavedState SettingsStore::WhatIsSaved() const {
    SavedState what;
    what.versions[0] = TempHistory.Version();
    what.versions[1] = HumidHistory.Version();
    what.versions[2] = TimeHistory.Version();
    what.rest = RestOf(*this);
    return what;
}

void SettingsStore::RememberSaved(SavedState what) {
    struct stat st {};
    saved_ = ::stat(SettingsPath.c_str(), &st) == 0;
    savedFile_ = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
                  static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
                  static_cast<long long>(st.st_mtim.tv_nsec)};
    std::copy(std::begin(what.versions), std::end(what.versions), savedVersions_);
    savedRest_ = std::move(what.rest);
}

void SettingsStore::WriteDocument(bool background) {
    // Until a save left to the background ends, the outcome told is that of
    // the save before it.
    const bool okBefore = lastSaveOk_;
    std::string errorBefore = lastSaveError_;
    lastSaveOk_ = false;
    saved_ = false;
    if (refused_) {
        lastSaveError_ = "not a regular file";
        return;
    }
    if (keepOldFile_ && !MoveUnreadableFileAside()) {
        // The old file stays where it is until it can be kept elsewhere.
        lastSaveError_ = std::string("cannot move the unreadable file aside: ") + std::strerror(errno);
        return;
    }
    // A damaged file is never replaced without a copy of it.
    if (damaged_ && damagedCopyPath_.empty() && !KeepDamagedCopy()) return;

    // The document is built by the writing rules with a short mark in place
    // of each list, and written as pieces: the frame between the marks and
    // the lists straight from where they are, so no second copy of the
    // history is made. The marks hold no "<", so they change nothing of where
    // the rules put the entries; the bytes are those of the whole document.
    static constexpr std::string_view kMarks[3] = {"\x01\x02T\x02\x01", "\x01\x02H\x02\x01", "\x01\x02M\x02\x01"};
    const HistoryList* lists[3] = {&TempHistory, &HumidHistory, &TimeHistory};
    SettingsText.clear();
    WriteSetting("minutes", "weather", std::to_string(UpdateMinutes));
    WriteSetting("loc", "weather", LocationId);
    WriteSetting("debug", "options", DebugMode ? "1" : "0");
    WriteSetting("forecast", "weather", ForecastText);
    WriteSetting("last temps", "weather", kMarks[0]);
    WriteSetting("last humids", "weather", kMarks[1]);
    WriteSetting("last times", "weather", kMarks[2]);
    WriteSetting("last reading", "weather", LastReading);
    const std::string extras = ExtrasText(Extras);
    std::pair<size_t, int> at[3];
    bool marksFound = true;
    for (int i = 0; i < 3; ++i) {
        const size_t p = SettingsText.find(kMarks[i]);
        marksFound = marksFound && p != std::string::npos && SettingsText.find(kMarks[i], p + 1) == std::string::npos;
        at[i] = {p, i};
    }
    TextPieces pieces;
    if (marksFound) {
        std::sort(std::begin(at), std::end(at));
        size_t from = 0;
        for (const auto& [p, i] : at) {
            pieces.emplace_back(SettingsText.data() + from, p - from);
            pieces.push_back(lists[i]->view());
            from = p + kMarks[i].size();
        }
        pieces.emplace_back(SettingsText.data() + from, SettingsText.size() - from);
    } else {
        // A value that holds a mark itself: the document is built whole.
        BuildDocument();
        SettingsText.resize(SettingsText.size() - extras.size());
        pieces.emplace_back(SettingsText);
    }
    pieces.emplace_back(extras);

    // Rewritten in place (the folder takes no new file), the text ends with a
    // check of itself in the program's own section, and the old file is
    // given one first if it has none: whenever a kill tears the rewrite, the
    // file ends with a check that does not hold, and the loader tells it.
    std::string checkText;
    InPlaceRewrite inPlace;
    inPlace.pieces = [&](const TextPieces& usual) {
        TextPieces out(usual.begin(), usual.end() - 1);
        const std::string_view closing = "\r\n</nimbrel>";
        std::string_view section = usual.back();
        if (section.empty()) {
            checkText = "\r\n<nimbrel>\r\n";
        } else {
            out.push_back(section.substr(0, section.size() - closing.size()));
            checkText = "\r\n";
        }
        TextHash hash;
        uint64_t length = checkText.size();
        for (std::string_view piece : out) {
            hash.Add(piece);
            length += piece.size();
        }
        hash.Add(checkText);
        checkText += CheckEntry(length, hash.Value());
        checkText += closing;
        out.push_back(checkText);
        return out;
    };
    inPlace.before = [](int fd, long long oldSize, std::string& error) { return AddCheckToFile(fd, oldSize, error); };
    // The file is replaced as a whole or not at all; a failure leaves the old
    // file and the state in memory, and the next save tries again.
    FileReplacement replacement;
    lastSaveOk_ = BeginTextPieces(pieces, SettingsPath, lastSaveError_, &inPlace, replacement);
    if (lastSaveOk_ && replacement.Pending()) {
        if (background) {
            // What was written is remembered now: the lists may change while
            // the thread flushes it.
            auto c = std::make_unique<BackgroundCommit>();
            c->file = std::move(replacement);
            c->what = WhatIsSaved();
            BackgroundCommit* raw = c.get();
            try {
                c->worker = std::thread([raw, starting = OnBackgroundSaveStarting, done = OnBackgroundSaveDone] {
                    if (starting) starting();
                    raw->ok = raw->file.Commit(raw->error);
                    raw->ended.store(true, std::memory_order_release);
                    if (done) done();
                });
                commit_ = std::move(c);
                lastSaveOk_ = okBefore;
                lastSaveError_ = std::move(errorBefore);
                return;
            } catch (const std::system_error&) {
                // No thread to be had: the flushes are done here instead.
                replacement = std::move(c->file);
            }
        }
        lastSaveOk_ = replacement.Commit(lastSaveError_);
    }
    if (lastSaveOk_) RememberSaved(WhatIsSaved());
}

namespace {

// The program's state folder, $XDG_STATE_HOME/nimbrel (by default
// ~/.local/state/nimbrel), made when missing; empty when there is none.
std::string StateFolder() {
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        base = std::string(home) + "/.local/state";
    else
        return {};
    std::string path;
    size_t from = 1;
    const std::string full = base + "/nimbrel";
    for (;;) {
        const size_t slash = full.find('/', from);
        path = full.substr(0, slash);
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
        if (slash == std::string::npos) break;
        from = slash + 1;
    }
    return full + "/";
}

std::string FreeName(const std::string& base) {
    std::string target = base;
    for (int k = 2; FileExists(target); ++k) target = base + "-" + std::to_string(k);
    return target;
}

}  // namespace

bool SettingsStore::KeepDamagedCopy() {
    if (!FileExists(SettingsPath)) {
        damaged_ = false;
        return true;
    }
    const std::string stamp = ".damaged-" + FormatStamp(Now());
    std::string target = FreeName(SettingsPath + stamp);
    std::string error;
    bool kept = CopyFile(SettingsPath, target, error);
    if (!kept && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // The folder takes no new file (the file itself is rewritten in
        // place): the copy goes to the program's state folder instead.
        const std::string state = StateFolder();
        const size_t slash = SettingsPath.rfind('/');
        const std::string name = slash == std::string::npos ? SettingsPath : SettingsPath.substr(slash + 1);
        if (!state.empty()) {
            const std::string elsewhere = FreeName(state + name + stamp);
            std::string again;
            if (CopyFile(SettingsPath, elsewhere, again)) {
                kept = true;
                target = elsewhere;
            }
        }
    }
    if (!kept) {
        lastSaveError_ = "cannot keep a copy of the damaged file as " + target + ": " + error;
        return false;
    }
    damagedCopyPath_ = target;
    if (torn_)
        notice_ =
            FillIn(Translated("SettingsStore",
                              QT_TRANSLATE_NOOP("SettingsStore",
                                                "%1 was left incomplete by a save that was interrupted. Nimbrel "
                                                "kept the readings it could read; the file as it was is kept as %2.")),
                   {SettingsPath, target});
    else
        notice_ = FillIn(Translated("SettingsStore",
                                    QT_TRANSLATE_NOOP("SettingsStore",
                                                      "%1 was damaged. Nimbrel kept what it could read of it; the file "
                                                      "as it was is kept as %2.")),
                         {SettingsPath, target});
    return true;
}

std::string SettingsStore::FolderProblem() const {
    if (SettingsPath.empty())
        return Translated("SettingsStore", QT_TRANSLATE_NOOP("SettingsStore", "No settings file is named."));
    const size_t slash = SettingsPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : SettingsPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? SettingsPath : SettingsPath.substr(slash + 1);
    auto problem = [&](int err) {
        return FillIn(Translated("SettingsStore",
                                 QT_TRANSLATE_NOOP("SettingsStore", "Nimbrel cannot save its readings in %1: %2.")),
                      {folder, std::strerror(err)});
    };
    // A temporary name one longer than the file's own is made at every save.
    if (SettingsPath.size() + 8 >= PATH_MAX || name.size() + 8 > NAME_MAX) return problem(ENAMETOOLONG);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return problem(errno);
    if (!S_ISDIR(st.st_mode)) return problem(ENOTDIR);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0) return {};
    const int folderErr = errno;
    // The folder takes no new file, but a writable file is rewritten in place.
    if (::stat(SettingsPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::faccessat(AT_FDCWD, SettingsPath.c_str(), W_OK, AT_EACCESS) == 0)
        return {};
    return problem(folderErr);
}

bool SettingsStore::MoveUnreadableFileAside() {
    if (!FileExists(SettingsPath)) {
        keepOldFile_ = false;
        return true;
    }
    const std::string base = SettingsPath + ".unreadable-" + FormatStamp(Now());
    std::string target = base;
    for (int k = 2; FileExists(target); ++k) target = base + "-" + std::to_string(k);
    if (std::rename(SettingsPath.c_str(), target.c_str()) != 0) return false;
    setAsidePath_ = target;
    notice_ = FillIn(Translated("SettingsStore",
                                QT_TRANSLATE_NOOP("SettingsStore",
                                                  "%1 could not be read as a settings file. Nimbrel started with its "
                                                  "defaults and moved the file to %2.")),
                     {SettingsPath, target});
    keepOldFile_ = false;
    return true;
}

// Where a list value stands in SettingsText. A list whose closing tag is
// lost (the file was cut short) keeps its complete entries: the text up to a
// tag that begins after it, or else all but the last entry, which may be cut.
SettingsStore::ListSpan SettingsStore::FindStoredList(const std::string& Key) const {
    ListSpan span;
    if (FindSetting(Key, "weather", span.begin, span.end)) return span;
    const std::string_view text = SettingsText;
    const size_t p = FindIgnoringCase(text, "<weather>", 0);
    if (p == std::string_view::npos) {
        span.missing = true;
        return span;
    }
    const size_t body = p + 9;
    const size_t close = FindIgnoringCase(text, "</weather>", body);
    const std::string tag = "<" + Key + ">";
    const size_t k = FindIgnoringCase(text, tag, body);
    if (k == std::string_view::npos || (close != std::string_view::npos && k > close)) {
        span.missing = true;
        return span;
    }
    span.begin = span.end = k + tag.size();
    if (FindIgnoringCase(text, "</" + Key + ">", span.begin) != std::string_view::npos) return span;  // empty
    span.cut = true;
    const size_t to = close == std::string_view::npos ? text.size() : close;
    const size_t lt = text.find('<', span.begin);
    if (lt != std::string_view::npos && lt < to)
        span.end = lt;
    else {
        span.end = to;
        span.dropLast = true;
    }
    return span;
}

void SettingsStore::LoadSettings() {
    documentReleased_ = false;
    keepOldFile_ = false;
    damaged_ = false;
    torn_ = false;
    refused_ = false;
    saved_ = false;
    if (!SettingsPath.empty()) {
        const size_t slash = SettingsPath.rfind('/');
        RemoveLeftoverTemporaries(slash == std::string::npos ? std::string("./") : SettingsPath.substr(0, slash + 1),
                                  slash == std::string::npos ? SettingsPath : SettingsPath.substr(slash + 1));
    }
    // The file stays open while the lists are read from it.
    struct OpenFile {
        int fd = -1;
        ~OpenFile() {
            if (fd >= 0) ::close(fd);
        }
    } file;
    SettingsOutline outline;
    struct stat st {};
    if (!SettingsPath.empty() && ::stat(SettingsPath.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            // A FIFO, a device or a socket under that name is neither read
            // (it could block start-up for ever) nor replaced. (A folder of
            // that name is moved aside like any unreadable file.)
            refused_ = true;
            notice_ =
                SettingsPath +
                " is not a regular file. Nimbrel neither reads nor writes it and keeps its readings in memory only.";
            return;
        }
        // Opened without blocking, in case something else took the name
        // since; only a regular file is read.
        file.fd = ::open(SettingsPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        struct stat opened {};
        try {
            if (file.fd < 0 || ::fstat(file.fd, &opened) != 0 || !S_ISREG(opened.st_mode))
                throw std::runtime_error("not a readable file");
            outline = ReadSettingsOutline(file.fd, SettingsPath);
            SettingsText = std::move(outline.text);
        } catch (const std::exception&) {
            // Unreadable (no permission, an I/O error): start as on a first
            // run, but keep the file.
            keepOldFile_ = true;
        }
    }
    if (SettingsText.empty()) return;
    // Something that holds neither of this program's sections is not a
    // settings file written by it; it is kept rather than overwritten, and
    // nothing of it is taken: every field keeps its first-run value.
    if (InStr(1, SettingsText, "<weather>", false) == 0 && InStr(1, SettingsText, "<options>", false) == 0) {
        keepOldFile_ = true;
        SettingsText.clear();
        return;
    }

    // A section whose closing tag is lost means the file was cut short.
    auto sectionCut = [this](const char* name) {
        const std::string open = std::string("<") + name + ">";
        const int32_t p = InStr(1, SettingsText, open, false);
        return p != 0 && InStr(p, SettingsText, std::string("</") + name + ">", false) == 0;
    };
    damaged_ = sectionCut("weather") || sectionCut("options") || outline.cutShort;
    // A file that names a check of itself which does not hold was torn by a
    // rewrite in place that did not finish: whatever it reads as, parts of it
    // belong to two different saves.
    if (outline.claimsCheck && !outline.checkHolds) damaged_ = torn_ = true;
    // A key whose closing tag is lost: its value may be cut anywhere.
    auto keyCut = [this](const char* key, const char* section) {
        const std::string open = std::string("<") + section + ">";
        const int32_t p = InStr(1, SettingsText, open, false);
        if (p == 0) return false;
        const int32_t q = InStr(p, SettingsText, std::string("</") + section + ">", false);
        const int32_t k = InStr(p, SettingsText, std::string("<") + key + ">", false);
        if (k == 0 || (q != 0 && k > q)) return false;
        const int32_t c = InStr(k, SettingsText, std::string("</") + key + ">", false);
        return c == 0 || (q != 0 && c > q);
    };
    // In a damaged file a key that is lost or cut keeps its first-run value:
    // a lost location would otherwise ask the feed for an empty id for ever.
    auto damagedKey = [&](const char* key, const char* section) {
        return damaged_ && (keyCut(key, section) || ReadSetting(key, section).empty());
    };
    const bool minutesLost = damagedKey("minutes", "weather");
    const bool locLost = damagedKey("loc", "weather");
    for (const char* key : {"minutes", "loc", "forecast", "last reading"})
        if (keyCut(key, "weather")) damaged_ = true;
    if (keyCut("debug", "options")) damaged_ = true;

    if (!minutesLost && !keyCut("minutes", "weather"))
        UpdateMinutes = RoundToInt16(Val(ReadSetting("minutes", "weather")));
    if (!locLost && !keyCut("loc", "weather"))
        LocationId = CutToCharacters(WithoutLineEnds(ReadSetting("loc", "weather")), kNameLimit);
    DebugMode = ReadSetting("debug", "options") == "1";
    ForecastText = BoundedForecast(ReadSetting("forecast", "weather"));
    LastReading = ReadSetting("last reading", "weather");
    {
        // Field by field, bounded as a reading from the feed would be.
        const std::string summary = GetField(LastReading, ",", 1);
        const std::string temp = GetField(LastReading, ",", 2);
        const std::string humid = GetField(LastReading, ",", 3);
        const std::string s2 = BoundedSummary(summary), t2 = BoundedTemperature(temp), h2 = BoundedHumidity(humid);
        if (s2 != summary || t2 != temp || h2 != humid) {
            size_t third = std::string::npos;
            for (size_t i = 0, commas = 0; i < LastReading.size(); ++i)
                if (LastReading[i] == ',' && ++commas == 3) {
                    third = i;
                    break;
                }
            const std::string rest = third == std::string::npos ? std::string() : LastReading.substr(third);
            LastReading = s2 + "," + t2 + "," + h2 + rest;
        }
        // The time and anything after it, bounded too.
        size_t third = 0;
        for (int commas = 0; third < LastReading.size() && commas < 3; ++third)
            if (LastReading[third] == ',') ++commas;
        if (LastReading.size() - third > kReadingRestLimit)
            LastReading = LastReading.substr(0, third) + CutToCharacters(LastReading.substr(third), kReadingRestLimit);
    }
    CurrentSummary = GetField(LastReading, ",", 1);
    CurrentTemp = TemperatureValue(GetField(LastReading, ",", 2));
    // A humidity that is missing shows as "%" alone, never as "n/a%".
    const std::string humidity = GetField(LastReading, ",", 3);
    HumidityCaption = (humidity == kNoValue ? std::string() : humidity) + "%";
    LastUpdate = GetField(LastReading, ",", 4);

    // The lists, read from their newest end: only the readings that are
    // kept (the newest kHistoryCap) are ever held, however long the file.
    auto storedList = [&](const char* key, bool& cut, bool& missing) {
        const ListSpan span = FindStoredList(key);
        cut = span.cut;
        missing = span.missing;
        StoredList list;
        list.inOutline = std::string_view(SettingsText).substr(span.begin, span.end - span.begin);
        for (const SettingsOutline::LongPiece& piece : outline.longPieces) {
            if (span.end != piece.textEnd || span.begin > piece.textEnd) continue;
            const std::string_view before(SettingsText.data() + piece.textStart,
                                          span.begin >= piece.textStart ? span.begin - piece.textStart : 0);
            const bool ascii =
                std::all_of(before.begin(), before.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
            if (span.begin < piece.textStart || !ascii) {
                // A list that spans tags, or whose head was repaired: what the
                // outline holds of it is all that is taken.
                damaged_ = true;
                break;
            }
            list.inFile = true;
            list.from = piece.fileStart + static_cast<long long>(before.size());
            list.to = piece.fileEnd;
            list.commas = piece.commas - static_cast<uint64_t>(std::count(before.begin(), before.end(), ','));
            break;
        }
        if (span.cut) TrimCutList(file.fd, list, span.dropLast);
        return list;
    };
    bool cutT, cutH, cutTm, missT, missH, missTm;
    const StoredList storedTemps = storedList("last temps", cutT, missT);
    const StoredList storedHumids = storedList("last humids", cutH, missH);
    const StoredList storedTimes = storedList("last times", cutTm, missTm);
    if (cutT || cutH || cutTm) damaged_ = true;
    const uint64_t nTimes = storedTimes.Entries();
    const uint64_t n = std::min<uint64_t>(nTimes, kHistoryCap);
    std::string times = ListEntries(file.fd, storedTimes, nTimes - n, nTimes, kTimeEntryLimit);
    std::string temps, humids;
    if (damaged_ && (cutT || cutH || cutTm || missT || missH)) {
        // Cut short: what is left of each list is its oldest part, so the
        // newest readings read "n/a" where their value was lost.
        auto oldestAligned = [&](const StoredList& list) {
            std::string kept =
                ListEntries(file.fd, list, nTimes - n, std::min(list.Entries(), nTimes), kValueLimit + 1);
            AlignOldest(kept, static_cast<int32_t>(n));
            return kept;
        };
        temps = oldestAligned(storedTemps);
        humids = oldestAligned(storedHumids);
    } else {
        auto newest = [&](const StoredList& list) {
            const uint64_t all = list.Entries();
            return ListEntries(file.fd, list, all - std::min(all, n), all, kValueLimit + 1);
        };
        temps = newest(storedTemps);
        humids = newest(storedHumids);
        // Lined up by CompactHistory, newest entries together.
        if (storedTemps.Entries() != nTimes || storedHumids.Entries() != nTimes) damaged_ = true;
    }
    if (!ListParses(temps, false) || !ListParses(humids, false) || !ListParses(times, true)) damaged_ = true;
    if (BoundList(temps, -100.0, 100.0)) damaged_ = true;
    if (BoundList(humids, 0.0, 100.0)) damaged_ = true;
    TempHistory = std::move(temps);
    HumidHistory = std::move(humids);
    TimeHistory = std::move(times);
    CompactHistory();
    ReadExtras();
    // Everything is taken from the document; the next save builds it again.
    ReleaseDocument();
    if (OnRebuildFeedUrls) OnRebuildFeedUrls(*this);
    if (OnShowLoaded) OnShowLoaded(*this);
}

void SettingsStore::AppendReading() {
    const std::string temp = GetField(LastReading, ",", 2);
    const std::string humid = GetField(LastReading, ",", 3);
    const std::string time = FormatDateTime(Now());
    if (FastAppend(temp, humid, time)) return;
    AppendToList(TempHistory, temp);
    AppendToList(HumidHistory, humid);
    AppendToList(TimeHistory, time);
    CompactHistory();
}

// A compacted history has no reading equal (temperature and humidity) to both
// of its neighbours. Appending one reading can only make the one before it
// such a reading, and dropping the oldest at the cap leaves the new first
// reading kept anyway, so the full split, mark and join come down to looking
// at the last three readings. Used only while the lists are exactly as the
// last compaction left them.
bool SettingsStore::FastAppend(const std::string& temp, const std::string& humid, const std::string& time) {
    if (!compacted_ || entries_ < 1) return false;
    HistoryList* lists[3] = {&TempHistory, &HumidHistory, &TimeHistory};
    for (int i = 0; i < 3; ++i)
        if (lists[i]->Version() != versions_[i]) return false;

    // At the cap the oldest entry of each list makes room; the lists skip it
    // rather than move the rest down.
    const bool atCap = entries_ >= kHistoryCap;
    if (atCap) {
        size_t firstComma[3];
        for (int i = 0; i < 3; ++i)
            if ((firstComma[i] = lists[i]->find(',')) == std::string_view::npos) return false;
        for (int i = 0; i < 3; ++i) lists[i]->DropFront(firstComma[i] + 1);
    }

    // AppendToList with the entry count already known: no count of the
    // separators over the whole list.
    auto append = [](HistoryList& list, const std::string& value) {
        const std::string_view v = value.empty() ? LastEntry(list) : std::string_view(value);
        std::string add;
        add.reserve(v.size() + 1);
        add.push_back(',');
        add.append(v);
        list += add;
    };
    append(TempHistory, temp);
    append(HumidHistory, humid);
    append(TimeHistory, time);
    int32_t n = atCap ? kHistoryCap : entries_ + 1;
    if (n >= 3) {
        // The last three entries of both lists decide.
        auto lastThree = [](std::string_view list, std::string_view out[3]) {
            size_t end = list.size();
            for (int k = 2; k >= 0; --k) {
                const size_t p = end == 0 ? std::string_view::npos : list.rfind(',', end - 1);
                const size_t b = p == std::string_view::npos ? 0 : p + 1;
                out[k] = list.substr(b, end - b);
                end = p == std::string_view::npos ? 0 : p;
            }
        };
        std::string_view t[3], h[3];
        lastThree(TempHistory, t);
        lastThree(HumidHistory, h);
        if (EqualsIgnoreCase(t[1], t[0]) && EqualsIgnoreCase(h[1], h[0]) && EqualsIgnoreCase(t[1], t[2]) &&
            EqualsIgnoreCase(h[1], h[2])) {
            DropSecondLast(TempHistory);
            DropSecondLast(HumidHistory);
            DropSecondLast(TimeHistory);
            --n;
        }
    }
    RememberCompacted(n);
    return true;
}

void SettingsStore::RememberCompacted(int32_t entries) {
    versions_[0] = TempHistory.Version();
    versions_[1] = HumidHistory.Version();
    versions_[2] = TimeHistory.Version();
    entries_ = entries;
    compacted_ = true;
}

void SettingsStore::CompactHistory() {
    std::vector<std::string_view> temps = SplitList(TempHistory);
    std::vector<std::string_view> humids = SplitList(HumidHistory);
    std::vector<std::string_view> times = SplitList(TimeHistory);

    // The three lists are one list of readings, counted by the times. A
    // hand-edited file may leave a value list of another length: the newest
    // entries of each belong together (readings are appended at the end), so
    // a longer value list loses its oldest extra entries and a shorter one
    // reads "n/a" for the oldest readings. Beyond the cap only the newest
    // readings stay.
    size_t n = TimeHistory.empty() ? 0 : std::min(times.size(), static_cast<size_t>(kHistoryCap));
    auto alignNewest = [n](std::vector<std::string_view>& v, bool wasEmpty) {
        if (wasEmpty) v.clear();
        if (v.size() > n)
            v.erase(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() - n));
        else if (v.size() < n)
            v.insert(v.begin(), n - v.size(), std::string_view(kNoValue));
    };
    alignNewest(temps, TempHistory.empty());
    alignNewest(humids, HumidHistory.empty());
    alignNewest(times, false);

    // An empty entry (",," in a hand edit) would be dropped from its own list
    // only and shift the rest: a missing value repeats the previous one as on
    // appending, and a reading without a time is dropped as a whole.
    std::vector<char> keep(n, 0);
    std::string_view prevT, prevH;
    bool haveT = false, haveH = false;
    for (size_t i = 0; i < n; ++i) {
        if (temps[i].empty()) temps[i] = haveT ? prevT : std::string_view(kNoValue);
        if (humids[i].empty()) humids[i] = haveH ? prevH : std::string_view(kNoValue);
        prevT = temps[i];
        prevH = humids[i];
        haveT = haveH = true;
    }
    std::vector<size_t> idx;
    idx.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (!times[i].empty()) idx.push_back(i);

    // A reading stays when it differs from the one before or the one after it
    // in temperature or humidity (case ignored): the first and last of every
    // run of equal readings.
    const size_t m = idx.size();
    for (size_t k = 0; k < m; ++k) {
        const size_t i = idx[k];
        bool mark = k == 0 || !EqualsIgnoreCase(temps[i], temps[idx[k - 1]]) ||
                    !EqualsIgnoreCase(humids[i], humids[idx[k - 1]]);
        if (!mark)
            mark = k + 1 == m || !EqualsIgnoreCase(temps[i], temps[idx[k + 1]]) ||
                   !EqualsIgnoreCase(humids[i], humids[idx[k + 1]]);
        keep[i] = mark ? 1 : 0;
    }
    std::string t = JoinKept(temps, keep), h = JoinKept(humids, keep), tm = JoinKept(times, keep);
    TempHistory = std::move(t);
    HumidHistory = std::move(h);
    TimeHistory = std::move(tm);
    int32_t kept = 0;
    for (char c : keep) kept += c;
    RememberCompacted(kept);
}

}  // namespace nimbrel
