#include "platform/sim/SimKernel.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/constants.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr plat::Handle PseudoProcess{static_cast<std::uintptr_t>(-1)};
constexpr plat::Handle PseudoThread{static_cast<std::uintptr_t>(-2)};
constexpr std::uint32_t MaximumWaitObjects = 64;
constexpr std::uint32_t VersionBlockSize = 512;
constexpr std::size_t FixedInfoOffset = 40;
constexpr std::uint32_t FixedInfoSignature = 0xFEEF04BD;

// Each thread has its own last error, as on Windows: the folder monitor's worker
// reads it on its own thread.
thread_local std::uint32_t lastError = 0;

// The failure path of a call that reports its error through GetLastError: an
// injected failure uses the test's code (ERROR_ACCESS_DENIED when none is given).
bool FailWith(std::optional<long> injected) {
    if (!injected) return false;
    lastError = static_cast<std::uint32_t>(*injected ? *injected : plat::ERROR_ACCESS_DENIED);
    return true;
}

constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::uint32_t ERROR_NEGATIVE_SEEK = 131;

struct WinPath {
    char drive = 0;
    std::vector<std::string> parts;
};

std::optional<WinPath> Parse(const std::string& text) {
    std::string s = text;
    std::replace(s.begin(), s.end(), '/', '\\');
    if (s.rfind("\\\\?\\", 0) == 0) s = s.substr(4);
    if (s.size() < 2 || s[1] != ':' || !std::isalpha(static_cast<unsigned char>(s[0]))) return std::nullopt;
    WinPath p;
    p.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!p.parts.empty()) p.parts.pop_back();
        } else if (!part.empty() && part != ".") {
            p.parts.push_back(part);
        }
        part.clear();
    };
    for (std::size_t i = 2; i < s.size(); ++i) {
        if (s[i] == '\\')
            flush();
        else
            part += s[i];
    }
    flush();
    return p;
}

bool WildMatch(const std::string& pattern, const std::string& name) {
    std::size_t p = 0, n = 0, star = std::string::npos, mark = 0;
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool NameMatches(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || WildMatch(pattern, name)) return true;
    // Windows lets "name.*" match a name without an extension.
    if (pattern.size() > 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return WildMatch(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

bool LessNoCase(const std::string& a, const std::string& b) { return Lower(a) < Lower(b); }

// ---- the stand-in collation (see SimKernel.h)

constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

// One character's weights: what it is, its accent, its case.
struct Weight {
    std::uint32_t primary = 0;
    std::uint8_t accent = 0;
    std::uint8_t upper = 0;
};

constexpr std::uint32_t SymbolBase = 0x100;
constexpr std::uint32_t DigitBase = 0x1000;
constexpr std::uint32_t LetterBase = 0x2000;
constexpr std::uint32_t OtherBase = 0x10000;

// Latin-1 letters U+00C0..U+00FF: base letter and accent number; 0 for the two
// signs among them (U+00D7, U+00F7). The upper half is the lower-case half.
struct Latin1 {
    char base;
    std::uint8_t accent;
};
constexpr Latin1 kLatin1[32] = {
    {'a', 1}, {'a', 2}, {'a', 3}, {'a', 4}, {'a', 5}, {'a', 6}, {'a', 7},  {'c', 1},   // AAAAAAÆC
    {'e', 1}, {'e', 2}, {'e', 3}, {'e', 5}, {'i', 1}, {'i', 2}, {'i', 3},  {'i', 5},   // EEEEIIII
    {'d', 8}, {'n', 4}, {'o', 1}, {'o', 2}, {'o', 3}, {'o', 4}, {'o', 5},  {0, 0},     // ÐÑOOOOO×
    {'o', 9}, {'u', 1}, {'u', 2}, {'u', 3}, {'u', 5}, {'y', 2}, {'z', 10}, {'s', 11},  // ØUUUUÝÞß
};

// Decodes the UTF-8 character at pos and moves past it; a malformed byte stands
// for itself.
std::uint32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const auto b = static_cast<unsigned char>(s[pos++]);
    int more = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (b >= 0xF8) more = 0;
    std::uint32_t cp = more == 3 ? b & 0x07u : more == 2 ? b & 0x0Fu : more == 1 ? b & 0x1Fu : b;
    if (static_cast<std::size_t>(more) > s.size() - pos) return b;
    for (int i = 0; i < more; ++i)
        if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) return b;
    for (int i = 0; i < more; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[pos++]) & 0x3Fu);
    return cp;
}

Weight WeightOf(std::uint32_t cp) {
    Weight w;
    if (cp >= 'a' && cp <= 'z') {
        w.primary = LetterBase + (cp - 'a') * 2;
    } else if (cp >= 'A' && cp <= 'Z') {
        w.primary = LetterBase + (cp - 'A') * 2;
        w.upper = 1;
    } else if (cp >= '0' && cp <= '9') {
        w.primary = DigitBase + (cp - '0');
    } else if (cp < 0x80) {
        w.primary = SymbolBase + cp;
    } else if (cp == 0xFF) {  // y with diaeresis, where the upper half has sharp s
        w.primary = LetterBase + ('y' - 'a') * 2;
        w.accent = 5;
    } else if (cp >= 0xC0 && cp <= 0xFF && kLatin1[cp & 0x1F].base) {
        const Latin1& l = kLatin1[cp & 0x1F];
        // Thorn sorts after z; the others share their base letter's place.
        w.primary = LetterBase + static_cast<std::uint32_t>(l.base - 'a') * 2 + (l.accent == 10 ? 1 : 0);
        w.accent = l.base == 'z' ? 0 : l.accent;
        w.upper = cp < 0xE0 && cp != 0xDF;
    } else if (cp < 0xC0) {
        w.primary = SymbolBase + cp;  // Latin-1 signs after the ASCII ones, before digits
    } else {
        w.primary = OtherBase + cp;
    }
    return w;
}

// Compares the strings on one level: the weights that field picks, in order.
template <class Field>
int CompareLevel(std::string_view a, std::string_view b, Field field) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const auto x = field(WeightOf(NextCodePoint(a, i)));
        const auto y = field(WeightOf(NextCodePoint(b, j)));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

SimKernel::SimKernel(SimJournal& journal, SimClock& clock, fs::path root)
    : journal_(journal), clock_(clock), root_(std::move(root)) {
    if (!fs::is_directory(root_)) throw std::invalid_argument("sim root folder missing: " + root_.string());
    drives_['C'] = DRIVE_FIXED;
    fs::create_directories(root_ / "C" / "WINDOWS" / "system32");
    fs::create_directories(root_ / "C" / "TEMP");
    fs::create_directories(root_ / "C" / "Program Files" / "Velant");
    std::ofstream(root_ / "C" / "Program Files" / "Velant" / "VelantPro.exe", std::ios::app);

    locale_ = {{LOCALE_SDECIMAL, "."},
               {LOCALE_STHOUSAND, ","},
               {LOCALE_SDATE, "/"},
               {LOCALE_STIME, ":"},
               {LOCALE_SSHORTDATE, "M/d/yyyy"},
               {LOCALE_SLONGDATE, "dddd, MMMM d, yyyy"},
               {LOCALE_STIMEFORMAT, "h:mm:ss tt"},
               {LOCALE_SSHORTTIME, "h:mm tt"},
               {LOCALE_IDATE, "0"},
               {LOCALE_ITIME, "0"},
               {LOCALE_ITLZERO, "0"},
               {LOCALE_S1159, "AM"},
               {LOCALE_S2359, "PM"},
               {LOCALE_IFIRSTDAYOFWEEK, "6"}};
    const char* days[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    const char* months[] = {"January", "February", "March",     "April",   "May",      "June",
                            "July",    "August",   "September", "October", "November", "December"};
    for (std::uint32_t i = 0; i < 7; ++i) {
        locale_[LOCALE_SDAYNAME1 + i] = days[i];
        locale_[LOCALE_SABBREVDAYNAME1 + i] = std::string(days[i]).substr(0, 3);
    }
    for (std::uint32_t i = 0; i < 12; ++i) {
        locale_[LOCALE_SMONTHNAME1 + i] = months[i];
        locale_[LOCALE_SABBREVMONTHNAME1 + i] = std::string(months[i]).substr(0, 3);
    }
    osVersion_.majorVersion = 5;
    osVersion_.minorVersion = 1;
    osVersion_.buildNumber = 2600;
    osVersion_.platformId = plat::VER_PLATFORM_WIN32_NT;
}

SimKernel::~SimKernel() {
    for (auto& [handle, file] : files_) ::close(file.fd);
}

// ---------------------------------------------------------------- paths

std::string SimKernel::Key(const std::string& winPath) {
    auto p = Parse(winPath);
    if (!p) return Lower(winPath);
    std::string key(1, static_cast<char>(std::tolower(static_cast<unsigned char>(p->drive))));
    key += ':';
    for (const auto& part : p->parts) key += "\\" + Lower(part);
    return key;
}

std::string SimKernel::ParentKey(const std::string& key) {
    auto pos = key.rfind('\\');
    return pos == std::string::npos ? key : key.substr(0, pos);
}

bool SimKernel::Protected(const std::string& winPath) const {
    if (!standardUser_) return false;
    const std::string key = Key(winPath);
    for (const char* root : {"c:\\windows", "c:\\program files", "c:\\program files (x86)"}) {
        const std::string r = root;
        if (key == r || key.rfind(r + "\\", 0) == 0) return true;
    }
    return false;
}

std::optional<fs::path> SimKernel::HostPathLocked(const std::string& winPath) const {
    auto p = Parse(winPath);
    if (!p) return std::nullopt;
    fs::path host = root_ / std::string(1, p->drive);
    bool exists = fs::is_directory(host);
    for (const auto& part : p->parts) {
        if (exists && !fs::exists(host / part)) {
            std::error_code ec;
            std::string found;
            for (const auto& entry : fs::directory_iterator(host, ec)) {
                if (IEquals(entry.path().filename().string(), part)) {
                    found = entry.path().filename().string();
                    break;
                }
            }
            if (found.empty()) {
                exists = false;
                host /= part;
            } else {
                host /= found;
            }
        } else {
            host /= part;
        }
    }
    return host;
}

std::optional<fs::path> SimKernel::HostPath(const std::string& winPath) const {
    std::lock_guard lock(mu_);
    return HostPathLocked(winPath);
}

void SimKernel::NotifyLocked(const std::string& changedKey) {
    std::string parent = ParentKey(changedKey);
    bool any = false;
    for (auto& [h, w] : waitables_) {
        if (w->kind != Kind::Change) continue;
        if (parent == w->folder || (w->subtree && parent.rfind(w->folder + "\\", 0) == 0)) {
            w->signalled = true;
            any = true;
        }
    }
    if (any) cv_.notify_all();
}

bool SimKernel::LockedLocked(const std::string& winPath) const { return locked_.count(Key(winPath)) > 0; }

// ---------------------------------------------------------------- simple queries

std::string SimKernel::GetWindowsDirectory() { return "C:\\WINDOWS"; }
std::string SimKernel::GetSystemDirectory() { return "C:\\WINDOWS\\system32"; }
std::string SimKernel::GetTempPath() { return "C:\\TEMP\\"; }
std::string SimKernel::GetModuleFileName() { return "C:\\Program Files\\Velant\\VelantPro.exe"; }
std::uint32_t SimKernel::GetTickCount() { return clock_.TickCount(); }
void SimKernel::GetLocalTime(plat::SystemTime& time) { time = clock_.LocalTime(); }

std::string SimKernel::GetLocaleInfo(std::uint32_t lcType) {
    if (journal_.Fails("GetLocaleInfo")) return {};
    lcType &= ~0xA0000000u;  // LOCALE_NOUSEROVERRIDE, LOCALE_RETURN_NUMBER
    std::lock_guard lock(mu_);
    auto it = locale_.find(lcType);
    return it == locale_.end() ? std::string() : it->second;
}

int SimKernel::CompareString(std::uint32_t locale, std::uint32_t flags, std::string_view a,
                             std::string_view b) {
    if (journal_.Fails("CompareString")) return 0;
    if (plainCollation_.load(std::memory_order_relaxed)) return IKernel::CompareString(locale, flags, a, b);
    int r = CompareLevel(a, b, [](const Weight& w) { return w.primary; });
    if (r == 0) r = CompareLevel(a, b, [](const Weight& w) { return w.accent; });
    if (r == 0 && !(flags & plat::NORM_IGNORECASE))
        r = CompareLevel(a, b, [](const Weight& w) { return w.upper; });
    return r < 0 ? plat::CSTR_LESS_THAN : r > 0 ? plat::CSTR_GREATER_THAN : plat::CSTR_EQUAL;
}

void SimKernel::SetLocaleInfo(std::uint32_t lcType, const std::string& value) {
    std::lock_guard lock(mu_);
    locale_[lcType] = value;
}

void SimKernel::Sleep(std::uint32_t ms) {
    journal_.Add("Sleep(" + std::to_string(ms) + ")");
    clock_.Advance(ms);
}

plat::Handle SimKernel::GetCurrentProcess() { return PseudoProcess; }
plat::Handle SimKernel::GetCurrentThread() { return PseudoThread; }

bool SimKernel::SetPriorityClass(plat::Handle process, std::uint32_t priorityClass) {
    journal_.Add("SetPriorityClass(" + fmt::Handle(process) + ", " + std::to_string(priorityClass) + ")");
    if (journal_.Fails("SetPriorityClass")) return false;
    if (process != PseudoProcess) return false;
    priorityClass_ = priorityClass;
    return true;
}

bool SimKernel::SetThreadPriority(plat::Handle thread, int priority) {
    journal_.Add("SetThreadPriority(" + fmt::Handle(thread) + ", " + std::to_string(priority) + ")");
    if (journal_.Fails("SetThreadPriority")) return false;
    if (thread != PseudoThread) return false;
    threadPriority_ = priority;
    return true;
}

// ---------------------------------------------------------------- files

plat::Handle SimKernel::NewHandleLocked() {
    const plat::Handle h{nextHandle_};
    nextHandle_ += 4;
    return h;
}

plat::Handle SimKernel::FindFirstFile(const std::string& pattern, plat::FindData& data) {
    if (journal_.Fails("FindFirstFile")) return 0;
    std::string normalized = pattern;
    std::replace(normalized.begin(), normalized.end(), '/', '\\');
    auto slash = normalized.rfind('\\');
    if (slash == std::string::npos) return 0;
    std::string folder = normalized.substr(0, slash + 1);
    std::string namePattern = normalized.substr(slash + 1);
    std::lock_guard lock(mu_);
    if (benchmark_.streamListings) return FindFirstStreamedLocked(folder, namePattern, data);
    auto host = HostPathLocked(folder);
    if (!host || !fs::is_directory(*host) || namePattern.empty()) return 0;
    std::vector<plat::FindData> all;
    if (!Parse(folder)->parts.empty()) {
        all.push_back({plat::FILE_ATTRIBUTE_DIRECTORY, 0, "."});
        all.push_back({plat::FILE_ATTRIBUTE_DIRECTORY, 0, ".."});
    }
    std::vector<plat::FindData> entries;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(*host, ec)) {
        plat::FindData d;
        d.name = entry.path().filename().string();
        const bool directory = entry.is_directory(ec);
        d.attributes = AttributesLocked(folder + d.name, directory);
        if (entry.is_symlink(ec)) d.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        if (!directory) d.size = entry.file_size(ec);
        if (ec) d.size = 0;  // a link whose target is gone
        entries.push_back(d);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return LessNoCase(a.name, b.name); });
    all.insert(all.end(), entries.begin(), entries.end());
    FindState state;
    for (auto& d : all)
        if (NameMatches(namePattern, d.name)) state.entries.push_back(d);
    if (state.entries.empty()) return 0;
    data = state.entries[0];
    state.next = 1;
    plat::Handle h = NewHandleLocked();
    finds_[h] = std::move(state);
    return h;
}

bool SimKernel::FindNextFile(plat::Handle find, plat::FindData& data) {
    if (journal_.Fails("FindNextFile")) return false;
    std::lock_guard lock(mu_);
    auto it = finds_.find(find);
    if (it != finds_.end() && it->second.dir) return FindNextStreamedLocked(it->second, data);
    if (it == finds_.end() || it->second.next >= it->second.entries.size()) return false;
    data = it->second.entries[it->second.next++];
    return true;
}

void SimKernel::DirCloser::operator()(void* dir) const { closedir(static_cast<DIR*>(dir)); }

void SimKernel::SetBenchmarkOptions(BenchmarkOptions options) {
    std::lock_guard lock(mu_);
    plainCollation_.store(options.plainCollation, std::memory_order_relaxed);
    benchmark_ = std::move(options);
}

plat::Handle SimKernel::FindFirstStreamedLocked(const std::string& folder, const std::string& pattern,
                                                plat::FindData& data) {
    auto parsed = Parse(folder);
    if (!parsed || pattern.empty()) return 0;
    // The folder as spelled is one opendir; the case-insensitive lookup costs a
    // system call per component, so it is only the fallback.
    std::string spelled = (root_ / std::string(1, parsed->drive)).string();
    for (const auto& part : parsed->parts) spelled += "/" + part;
    DIR* dir = opendir(spelled.c_str());
    if (!dir) {
        auto host = HostPathLocked(folder);
        if (host) dir = opendir(host->c_str());
    }
    if (!dir) return 0;
    FindState state;
    state.dir.reset(dir);
    state.folder = folder;
    state.pattern = pattern;
    if (!FindNextStreamedLocked(state, data)) return 0;
    plat::Handle h = NewHandleLocked();
    finds_[h] = std::move(state);
    return h;
}

bool SimKernel::FindNextStreamedLocked(FindState& state, plat::FindData& data) {
    DIR* dir = static_cast<DIR*>(state.dir.get());
    while (const dirent* e = readdir(dir)) {
        data.name = e->d_name;
        if (!NameMatches(state.pattern, data.name)) continue;
        data.size = 0;
        bool directory = e->d_type == DT_DIR;
        bool link = e->d_type == DT_LNK;
        if (e->d_type == DT_UNKNOWN) {
            struct statx own {};
            const int flags = AT_STATX_DONT_SYNC | AT_SYMLINK_NOFOLLOW;
            link = statx(dirfd(dir), e->d_name, flags, STATX_TYPE, &own) == 0 && S_ISLNK(own.stx_mode);
        }
        const bool sized = !directory && benchmark_.fetchSizes &&
                           (!benchmark_.sizeWanted || benchmark_.sizeWanted(data.name));
        if (e->d_type == DT_UNKNOWN || link || sized) {
            // Only the type and size, without waiting for a remote file system to
            // agree on them: what a Windows listing gives.
            struct statx st {};
            if (statx(dirfd(dir), e->d_name, AT_STATX_DONT_SYNC, STATX_TYPE | STATX_SIZE, &st) == 0) {
                directory = S_ISDIR(st.stx_mode);
                if (!directory && sized) data.size = static_cast<std::uint64_t>(st.stx_size);
            }
        }
        if (attributes_.empty())
            data.attributes = directory ? plat::FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        else
            data.attributes = AttributesLocked(state.folder + data.name, directory);
        if (link) data.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        return true;
    }
    return false;
}

bool SimKernel::FindClose(plat::Handle find) {
    if (journal_.Fails("FindClose")) return false;
    std::lock_guard lock(mu_);
    return finds_.erase(find) > 0;
}

std::uint32_t SimKernel::GetFileAttributes(const std::string& path) {
    if (journal_.Fails("GetFileAttributes")) return plat::INVALID_FILE_ATTRIBUTES;
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(path);
    if (!host) return plat::INVALID_FILE_ATTRIBUTES;
    std::error_code ec;
    auto status = fs::status(*host, ec);
    if (ec || !fs::exists(status)) return plat::INVALID_FILE_ATTRIBUTES;
    const bool link = fs::is_symlink(fs::symlink_status(*host, ec));
    return AttributesLocked(path, fs::is_directory(status)) | (link ? FILE_ATTRIBUTE_REPARSE_POINT : 0u);
}

std::uint32_t SimKernel::AttributesLocked(const std::string& winPath, bool directory) const {
    auto it = attributes_.empty() ? attributes_.end() : attributes_.find(Key(winPath));
    if (it == attributes_.end()) return directory ? plat::FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (directory) return it->second | plat::FILE_ATTRIBUTE_DIRECTORY;
    const std::uint32_t bits = it->second & ~plat::FILE_ATTRIBUTE_DIRECTORY;
    return bits ? bits : FILE_ATTRIBUTE_NORMAL;
}

void SimKernel::SetAttributes(const std::string& winPath, std::uint32_t attributes) {
    std::lock_guard lock(mu_);
    attributes_[Key(winPath)] = attributes & ~FILE_ATTRIBUTE_NORMAL;
}

bool SimKernel::CreateDirectory(const std::string& path) {
    journal_.Add("CreateDirectory(" + fmt::Quote(path) + ")");
    if (FailWith(journal_.Fails("CreateDirectory"))) return false;
    if (Protected(path)) {
        FailWith(plat::ERROR_ACCESS_DENIED);
        return false;
    }
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(path);
    if (!host || fs::exists(*host) || !fs::is_directory(host->parent_path())) return false;
    std::error_code ec;
    if (!fs::create_directory(*host, ec)) return false;
    NotifyLocked(Key(path));
    return true;
}

bool SimKernel::RemoveDirectory(const std::string& path) {
    journal_.Add("RemoveDirectory(" + fmt::Quote(path) + ")");
    if (journal_.Fails("RemoveDirectory")) return false;
    if (Protected(path)) {
        FailWith(plat::ERROR_ACCESS_DENIED);
        return false;
    }
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(path);
    if (!host || !fs::is_directory(*host) || !fs::is_empty(*host)) return false;
    std::error_code ec;
    if (!fs::remove(*host, ec)) return false;
    attributes_.erase(Key(path));
    NotifyLocked(Key(path));
    return true;
}

bool SimKernel::DeleteFile(const std::string& path) {
    journal_.Add("DeleteFile(" + fmt::Quote(path) + ")");
    if (journal_.Fails("DeleteFile")) return false;
    if (Protected(path)) {
        FailWith(plat::ERROR_ACCESS_DENIED);
        return false;
    }
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(path);
    if (!host || !fs::is_regular_file(*host) || LockedLocked(path)) return false;
    std::error_code ec;
    if (!fs::remove(*host, ec)) return false;
    attributes_.erase(Key(path));
    NotifyLocked(Key(path));
    return true;
}

long SimKernel::ReadFile(const std::string& path, std::vector<std::uint8_t>& data) {
    if (auto f = journal_.Fails("ReadFile")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(path);
    if (!host || !fs::is_directory(host->parent_path())) return ERROR_PATH_NOT_FOUND;
    if (fs::is_directory(*host)) return plat::ERROR_ACCESS_DENIED;
    if (!fs::exists(*host)) return plat::ERROR_FILE_NOT_FOUND;
    if (LockedLocked(path)) return ERROR_SHARING_VIOLATION;
    std::ifstream in(*host, std::ios::binary);
    if (!in) return plat::ERROR_ACCESS_DENIED;
    // Sized up front and read in one go, as Windows' reader does: byte by byte,
    // growing by doubling, it held half as much again as the file and cost
    // milliseconds a picture in unoptimised builds.
    std::error_code ec;
    const auto size = fs::file_size(*host, ec);
    data.resize(ec ? 0 : static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(in.gcount()));
    // Whatever the file gained since its size was read.
    data.insert(data.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return plat::ERROR_SUCCESS;
}

long SimKernel::WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) {
    journal_.Add("WriteFile(" + fmt::Quote(path) + ", " + std::to_string(data.size()) + ")");
    if (auto f = journal_.Fails("WriteFile")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    if (Protected(path)) return plat::ERROR_ACCESS_DENIED;
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(path);
    if (!host || !fs::is_directory(host->parent_path())) return ERROR_PATH_NOT_FOUND;
    if (fs::is_directory(*host)) return plat::ERROR_ACCESS_DENIED;
    if (LockedLocked(path)) return ERROR_SHARING_VIOLATION;
    std::size_t n = data.size();
    bool full = diskFree_ && *diskFree_ < n;
    if (full) n = static_cast<std::size_t>(*diskFree_);
    {
        std::ofstream out(*host, std::ios::binary | std::ios::trunc);
        if (!out) return plat::ERROR_ACCESS_DENIED;
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(n));
    }
    if (diskFree_) *diskFree_ -= n;
    NotifyLocked(Key(path));
    return full ? plat::ERROR_DISK_FULL : plat::ERROR_SUCCESS;
}

long SimKernel::ReplaceFile(const std::string& from, const std::string& to) {
    journal_.Add("ReplaceFile(" + fmt::Quote(from) + ", " + fmt::Quote(to) + ")");
    if (auto f = journal_.Fails("ReplaceFile")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    if (Protected(from) || Protected(to)) return plat::ERROR_ACCESS_DENIED;
    std::lock_guard lock(mu_);
    auto src = HostPathLocked(from);
    auto dst = HostPathLocked(to);
    if (!src || !dst) return ERROR_PATH_NOT_FOUND;
    if (!fs::exists(*src)) return plat::ERROR_FILE_NOT_FOUND;
    if (!fs::is_directory(dst->parent_path())) return ERROR_PATH_NOT_FOUND;
    if (fs::is_directory(*dst)) return plat::ERROR_ACCESS_DENIED;
    if (LockedLocked(from) || LockedLocked(to)) return ERROR_SHARING_VIOLATION;
    std::error_code ec;
    fs::rename(*src, *dst, ec);
    if (ec) return plat::ERROR_ACCESS_DENIED;
    attributes_.erase(Key(from));
    attributes_.erase(Key(to));
    NotifyLocked(Key(from));
    NotifyLocked(Key(to));
    return plat::ERROR_SUCCESS;
}

plat::Handle SimKernel::CreateFile(const std::string& path, std::uint32_t desiredAccess,
                                   std::uint32_t shareMode, std::uint32_t creationDisposition,
                                   std::uint32_t flagsAndAttributes) {
    const bool writing = desiredAccess == plat::GENERIC_WRITE && creationDisposition == plat::CREATE_ALWAYS;
    const bool reading = desiredAccess == plat::GENERIC_READ && creationDisposition == plat::OPEN_EXISTING;
    if (!reading)
        journal_.Add("CreateFile(" + fmt::Quote(path) + ", " + std::to_string(desiredAccess) + ", " +
                     std::to_string(shareMode) + ", " + std::to_string(creationDisposition) + ", " +
                     std::to_string(flagsAndAttributes) + ")");
    if (FailWith(journal_.Fails("CreateFile"))) return 0;
    std::lock_guard lock(mu_);
    auto fail = [](long code) {
        lastError = static_cast<std::uint32_t>(code);
        return plat::Handle();
    };
    if (!writing && !reading) return fail(ERROR_INVALID_PARAMETER);
    auto host = HostPathLocked(path);
    if (!host || !fs::is_directory(host->parent_path())) return fail(ERROR_PATH_NOT_FOUND);
    if (fs::is_directory(*host)) return fail(plat::ERROR_ACCESS_DENIED);
    if (reading && !fs::exists(*host)) return fail(plat::ERROR_FILE_NOT_FOUND);
    if (LockedLocked(path)) return fail(ERROR_SHARING_VIOLATION);
    const int fd = writing ? ::open(host->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)
                           : ::open(host->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(plat::ERROR_ACCESS_DENIED);
    const plat::Handle h = NewHandleLocked();
    files_[h] = OpenFile{fd, path, 0, writing};
    if (writing) {
        attributes_.erase(Key(path));
        NotifyLocked(Key(path));
    }
    return h;
}

bool SimKernel::ReadFile(plat::Handle file, void* buffer, std::uint32_t bytes, std::uint32_t& read) {
    read = 0;
    if (FailWith(journal_.Fails("ReadFile"))) return false;
    std::lock_guard lock(mu_);
    auto it = files_.find(file);
    if (it == files_.end() || it->second.writing) {
        lastError =
            it == files_.end() ? ERROR_INVALID_HANDLE : static_cast<std::uint32_t>(plat::ERROR_ACCESS_DENIED);
        return false;
    }
    ssize_t done;
    do done = ::pread(it->second.fd, buffer, bytes, static_cast<off_t>(it->second.position));
    while (done < 0 && errno == EINTR);
    if (done < 0) {
        lastError = static_cast<std::uint32_t>(plat::ERROR_READ_FAULT);
        return false;
    }
    read = static_cast<std::uint32_t>(done);
    it->second.position += read;
    return true;
}

bool SimKernel::SetFilePointerEx(plat::Handle file, std::int64_t distance, std::uint32_t moveMethod) {
    if (FailWith(journal_.Fails("SetFilePointerEx"))) return false;
    std::lock_guard lock(mu_);
    auto it = files_.find(file);
    if (it == files_.end()) {
        lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    std::int64_t from = 0;
    if (moveMethod == 1) {
        from = static_cast<std::int64_t>(it->second.position);
    } else if (moveMethod == 2) {
        struct stat st {};
        if (::fstat(it->second.fd, &st) != 0) return false;
        from = st.st_size;
    } else if (moveMethod != plat::FILE_BEGIN) {
        lastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (from + distance < 0) {
        lastError = ERROR_NEGATIVE_SEEK;
        return false;
    }
    it->second.position = static_cast<std::uint64_t>(from + distance);
    return true;
}

bool SimKernel::WriteFile(plat::Handle file, const void* buffer, std::uint32_t bytes,
                          std::uint32_t& written) {
    written = 0;
    journal_.Add("WriteFile(" + fmt::Handle(file) + ", " + std::to_string(bytes) + ")");
    if (FailWith(journal_.Fails("WriteFile"))) return false;
    std::lock_guard lock(mu_);
    auto it = files_.find(file);
    if (it == files_.end() || !it->second.writing) {
        lastError =
            it == files_.end() ? ERROR_INVALID_HANDLE : static_cast<std::uint32_t>(plat::ERROR_ACCESS_DENIED);
        return false;
    }
    std::size_t n = bytes;
    const bool full = diskFree_ && *diskFree_ < n;
    if (full) n = static_cast<std::size_t>(*diskFree_);
    const auto* from = static_cast<const char*>(buffer);
    while (written < n) {
        const ssize_t done = ::pwrite(it->second.fd, from + written, n - written,
                                      static_cast<off_t>(it->second.position + written));
        if (done <= 0) {
            if (done < 0 && errno == EINTR) continue;
            lastError = static_cast<std::uint32_t>(done < 0 && errno == ENOSPC ? plat::ERROR_DISK_FULL
                                                                               : plat::ERROR_WRITE_FAULT);
            break;
        }
        written += static_cast<std::uint32_t>(done);
    }
    it->second.position += written;
    if (diskFree_) *diskFree_ -= written;
    if (written < n) return false;
    if (full) {
        lastError = static_cast<std::uint32_t>(plat::ERROR_DISK_FULL);
        return false;
    }
    return true;
}

bool SimKernel::FlushFileBuffers(plat::Handle file) {
    if (FailWith(journal_.Fails("FlushFileBuffers"))) return false;
    std::lock_guard lock(mu_);
    if (files_.count(file) > 0) return true;
    lastError = ERROR_INVALID_HANDLE;
    return false;
}

// ---------------------------------------------------------------- waitables

plat::Handle SimKernel::FindFirstChangeNotification(const std::string& path, bool subtree,
                                                    std::uint32_t filter) {
    journal_.Add("FindFirstChangeNotification(" + fmt::Quote(path) + ", " + (subtree ? "1" : "0") + ", " +
                 std::to_string(filter) + ")");
    if (FailWith(journal_.Fails("FindFirstChangeNotification"))) return 0;
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(path);
    if (!host || !fs::is_directory(*host)) {
        lastError = host && fs::exists(*host) ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND;
        return 0;
    }
    auto w = std::make_shared<Waitable>();
    w->kind = Kind::Change;
    w->folder = Key(path);
    w->subtree = subtree;
    plat::Handle h = NewHandleLocked();
    waitables_[h] = w;
    return h;
}

bool SimKernel::FindNextChangeNotification(plat::Handle change) {
    if (FailWith(journal_.Fails("FindNextChangeNotification"))) return false;
    std::lock_guard lock(mu_);
    auto it = waitables_.find(change);
    if (it == waitables_.end() || it->second->kind != Kind::Change) {
        lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    it->second->signalled = false;
    return true;
}

bool SimKernel::FindCloseChangeNotification(plat::Handle change) {
    journal_.Add("FindCloseChangeNotification(" + fmt::Handle(change) + ")");
    if (journal_.Fails("FindCloseChangeNotification")) return false;
    std::lock_guard lock(mu_);
    auto it = waitables_.find(change);
    if (it == waitables_.end() || it->second->kind != Kind::Change) return false;
    waitables_.erase(it);
    cv_.notify_all();
    return true;
}

plat::Handle SimKernel::CreateEvent(bool manualReset, bool initialState) {
    if (FailWith(journal_.Fails("CreateEvent"))) return 0;
    std::lock_guard lock(mu_);
    auto w = std::make_shared<Waitable>();
    w->manualReset = manualReset;
    w->signalled = initialState;
    plat::Handle h = NewHandleLocked();
    waitables_[h] = w;
    return h;
}

plat::Handle SimKernel::CreateMutex(bool initialOwner, const std::string& name) {
    journal_.Add("CreateMutex(" + std::to_string(initialOwner) + ", " + fmt::Quote(name) + ")");
    if (FailWith(journal_.Fails("CreateMutex"))) return 0;
    std::lock_guard lock(mu_);
    std::shared_ptr<Waitable> mutex;
    for (const auto& [h, w] : waitables_)
        if (w->kind == Kind::Mutex && !name.empty() && w->name == name) mutex = w;
    lastError = mutex ? static_cast<std::uint32_t>(plat::ERROR_ALREADY_EXISTS) : 0;
    if (!mutex) {
        mutex = std::make_shared<Waitable>();
        mutex->kind = Kind::Mutex;
        mutex->name = name;
    }
    plat::Handle h = NewHandleLocked();
    waitables_[h] = mutex;
    return h;
}

bool SimKernel::SetEvent(plat::Handle event) {
    if (journal_.Fails("SetEvent")) return false;
    std::lock_guard lock(mu_);
    auto it = waitables_.find(event);
    if (it == waitables_.end() || it->second->kind != Kind::Event) return false;
    it->second->signalled = true;
    cv_.notify_all();
    return true;
}

bool SimKernel::SignalHandle(plat::Handle handle) {
    std::lock_guard lock(mu_);
    auto it = waitables_.find(handle);
    if (it == waitables_.end()) return false;
    it->second->signalled = true;
    cv_.notify_all();
    return true;
}

bool SimKernel::CloseHandle(plat::Handle handle) {
    if (journal_.Fails("CloseHandle")) return false;
    std::lock_guard lock(mu_);
    if (auto file = files_.find(handle); file != files_.end()) {
        ::close(file->second.fd);
        if (file->second.writing) NotifyLocked(Key(file->second.path));
        files_.erase(file);
        return true;
    }
    auto it = waitables_.find(handle);
    if (it == waitables_.end() || it->second->kind == Kind::Change) return false;
    waitables_.erase(it);
    return true;
}

std::uint32_t SimKernel::WaitForSingleObject(plat::Handle handle, std::uint32_t ms) {
    return WaitForMultipleObjects(1, &handle, false, ms);
}

std::uint32_t SimKernel::WaitForMultipleObjects(std::uint32_t count, const plat::Handle* handles,
                                                bool waitAll, std::uint32_t ms) {
    if (FailWith(journal_.Fails("WaitForMultipleObjects"))) return plat::WAIT_FAILED;
    if (count == 0 || count > MaximumWaitObjects || !handles) {
        lastError = ERROR_INVALID_PARAMETER;
        return plat::WAIT_FAILED;
    }
    std::unique_lock lock(mu_);
    // Holding the objects keeps them alive even if another thread closes a handle meanwhile.
    std::vector<std::shared_ptr<Waitable>> objects;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto it = waitables_.find(handles[i]);
        if (it == waitables_.end()) {
            lastError = ERROR_INVALID_HANDLE;
            return plat::WAIT_FAILED;
        }
        objects.push_back(it->second);
    }
    auto consume = [](Waitable& w) {
        if (w.kind == Kind::Event && !w.manualReset) w.signalled = false;
    };
    std::uint32_t result = plat::WAIT_TIMEOUT;
    auto ready = [&] {
        if (waitAll) {
            if (!std::all_of(objects.begin(), objects.end(), [](const auto& w) { return w->signalled; }))
                return false;
            for (auto& w : objects) consume(*w);
            result = plat::WAIT_OBJECT_0;
            return true;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            if (objects[i]->signalled) {
                consume(*objects[i]);
                result = plat::WAIT_OBJECT_0 + i;
                return true;
            }
        }
        return false;
    };
    if (ms == plat::INFINITE)
        cv_.wait(lock, ready);
    else
        cv_.wait_for(lock, std::chrono::milliseconds(ms), ready);
    return result;
}

plat::Handle SimKernel::NewProcessHandle() {
    std::lock_guard lock(mu_);
    auto w = std::make_shared<Waitable>();
    w->kind = Kind::Process;
    plat::Handle h = NewHandleLocked();
    waitables_[h] = w;
    return h;
}

bool SimKernel::IsHandleOpen(plat::Handle handle) const {
    std::lock_guard lock(mu_);
    return waitables_.count(handle) > 0 || finds_.count(handle) > 0 || files_.count(handle) > 0;
}

bool SimKernel::IsSignalled(plat::Handle handle) const {
    std::lock_guard lock(mu_);
    auto it = waitables_.find(handle);
    return it != waitables_.end() && it->second->signalled;
}

std::size_t SimKernel::OpenHandleCount() const {
    std::lock_guard lock(mu_);
    return waitables_.size() + finds_.size() + files_.size();
}

std::size_t SimKernel::FindHandleCount() const {
    std::lock_guard lock(mu_);
    return finds_.size();
}

std::size_t SimKernel::WatchCount() const {
    std::lock_guard lock(mu_);
    return static_cast<std::size_t>(std::count_if(
        waitables_.begin(), waitables_.end(), [](const auto& w) { return w.second->kind == Kind::Change; }));
}

// ---------------------------------------------------------------- drives, programs, INI, versions

std::uint32_t SimKernel::GetLogicalDrives() {
    if (journal_.Fails("GetLogicalDrives")) return 0;
    std::lock_guard lock(mu_);
    std::uint32_t mask = 0;
    for (auto& [letter, type] : drives_) mask |= 1u << (letter - 'A');
    return mask;
}

std::uint32_t SimKernel::GetDriveType(const std::string& root) {
    if (root.empty()) return DRIVE_NO_ROOT_DIR;
    std::lock_guard lock(mu_);
    auto it = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(root[0]))));
    return it == drives_.end() ? DRIVE_NO_ROOT_DIR : it->second;
}

void SimKernel::SetDrive(char letter, std::uint32_t driveType) {
    std::lock_guard lock(mu_);
    char l = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (driveType == 0 || driveType == DRIVE_NO_ROOT_DIR)
        drives_.erase(l);
    else
        drives_[l] = driveType;
}

std::uint32_t SimKernel::WinExec(const std::string& cmdLine, int show) {
    journal_.Add("WinExec(" + fmt::Quote(cmdLine) + ", " + std::to_string(show) + ")");
    if (journal_.Fails("WinExec")) return plat::ERROR_FILE_NOT_FOUND;
    return 33;  // above 31 means the program started
}

std::string SimKernel::GetPrivateProfileString(const std::string& section, const std::string& key,
                                               const std::string& def, std::uint32_t size,
                                               const std::string& file) {
    auto clip = [&](std::string s) { return size == 0 ? std::string() : s.substr(0, size - 1); };
    std::string text = FileText(file);
    std::string current;
    std::size_t pos = 0;
    auto trim = [](std::string s) {
        auto b = s.find_first_not_of(" \t\r");
        auto e = s.find_last_not_of(" \t\r");
        return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    };
    while (pos <= text.size()) {
        auto end = text.find('\n', pos);
        std::string line = trim(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end == std::string::npos ? text.size() + 1 : end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            continue;
        }
        auto eq = line.find('=');
        if (eq != std::string::npos && IEquals(current, section) && IEquals(trim(line.substr(0, eq)), key))
            return clip(trim(line.substr(eq + 1)));
    }
    return clip(def);
}

void SimKernel::SetFileVersion(const std::string& winPath, int major, int minor, int build, int revision) {
    std::lock_guard lock(mu_);
    versions_[Key(winPath)] = {major, minor, build, revision};
}

std::uint32_t SimKernel::GetFileVersionInfoSize(const std::string& path) {
    if (journal_.Fails("GetFileVersionInfoSize")) return 0;
    std::lock_guard lock(mu_);
    return versions_.count(Key(path)) ? VersionBlockSize : 0;
}

bool SimKernel::GetFileVersionInfo(const std::string& path, std::vector<std::uint8_t>& block) {
    if (journal_.Fails("GetFileVersionInfo")) return false;
    std::lock_guard lock(mu_);
    auto it = versions_.find(Key(path));
    if (it == versions_.end()) return false;
    const Version& v = it->second;
    // A VS_VERSIONINFO block whose VS_FIXEDFILEINFO sits where Windows puts it.
    block.assign(VersionBlockSize, 0);
    auto put = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            block[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    std::uint32_t ms =
        static_cast<std::uint32_t>(v.major) << 16 | static_cast<std::uint32_t>(v.minor & 0xFFFF);
    std::uint32_t ls =
        static_cast<std::uint32_t>(v.build) << 16 | static_cast<std::uint32_t>(v.revision & 0xFFFF);
    put(0, VersionBlockSize);
    put(FixedInfoOffset, FixedInfoSignature);
    put(FixedInfoOffset + 4, 0x00010000);
    put(FixedInfoOffset + 8, ms);
    put(FixedInfoOffset + 12, ls);
    put(FixedInfoOffset + 16, ms);
    put(FixedInfoOffset + 20, ls);
    return true;
}

bool SimKernel::VerQueryFixedFileInfo(const std::vector<std::uint8_t>& block, plat::FixedFileVersion& info) {
    if (journal_.Fails("VerQueryFixedFileInfo")) return false;
    auto get = [&](std::size_t at) {
        return static_cast<std::uint32_t>(block[at] | block[at + 1] << 8 | block[at + 2] << 16) |
               static_cast<std::uint32_t>(block[at + 3]) << 24;
    };
    for (std::size_t at = 0; at + 16 <= block.size(); at += 4) {
        if (get(at) == FixedInfoSignature) {
            info.fileVersionMS = get(at + 8);
            info.fileVersionLS = get(at + 12);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- version, time, processors

bool SimKernel::GetVersionEx(plat::OsVersionInfo& info) {
    if (journal_.Fails("GetVersionEx")) return false;
    if (info.osVersionInfoSize != plat::OSVERSIONINFOA_SIZE &&
        info.osVersionInfoSize != plat::OSVERSIONINFOEXA_SIZE)
        return false;
    std::lock_guard lock(mu_);
    std::uint32_t size = info.osVersionInfoSize;
    info = osVersion_;
    info.osVersionInfoSize = size;
    return true;
}

void SimKernel::SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                           std::uint32_t build, const std::string& csdVersion) {
    std::lock_guard lock(mu_);
    osVersion_.platformId = platformId;
    osVersion_.majorVersion = major;
    osVersion_.minorVersion = minor;
    osVersion_.buildNumber = build;
    osVersion_.csdVersion = csdVersion;
}

bool SimKernel::SystemTimeToFileTime(const plat::SystemTime& t, std::uint64_t& fileTime) {
    if (journal_.Fails("SystemTimeToFileTime")) return false;
    static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12) return false;
    bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    int days = monthDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    if (t.day < 1 || t.day > days || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 59 || t.milliseconds < 0 || t.milliseconds > 999)
        return false;
    std::int64_t sinceEpoch =
        SimClock::DaysFromCivil(t.year, t.month, t.day) - SimClock::DaysFromCivil(1601, 1, 1);
    std::int64_t ms = sinceEpoch * 86400000LL + t.hour * 3600000LL + t.minute * 60000LL + t.second * 1000LL +
                      t.milliseconds;
    fileTime = static_cast<std::uint64_t>(ms) * 10000u;
    return true;
}

bool SimKernel::GetProcessorTimes(std::vector<plat::ProcessorTimes>& processors,
                                  plat::ProcessorTimes& total) {
    if (journal_.Fails("GetProcessorTimes")) return false;
    std::lock_guard lock(mu_);
    if (!hasProcessorTimes_) return false;
    processors = processorTimes_;
    total = totalTimes_;
    return true;
}

void SimKernel::SetProcessorTimes(std::vector<plat::ProcessorTimes> processors) {
    plat::ProcessorTimes sum;
    for (const auto& p : processors) {
        sum.idle += p.idle;
        sum.kernel += p.kernel;
        sum.user += p.user;
    }
    std::lock_guard lock(mu_);
    hasProcessorTimes_ = true;
    processorTimes_ = std::move(processors);
    totalTimes_ = sum;
}

void SimKernel::SetSystemTimes(const plat::ProcessorTimes& total) {
    std::lock_guard lock(mu_);
    hasProcessorTimes_ = true;
    processorTimes_.clear();
    totalTimes_ = total;
}

void SimKernel::ClearProcessorTimes() {
    std::lock_guard lock(mu_);
    hasProcessorTimes_ = false;
    processorTimes_.clear();
    totalTimes_ = {};
}

// ---------------------------------------------------------------- test helpers

void SimKernel::WriteBytesLocked(const std::string& winPath, const std::vector<std::uint8_t>& bytes) {
    auto host = HostPathLocked(winPath);
    if (!host) throw std::invalid_argument("not a Windows path: " + winPath);
    fs::create_directories(host->parent_path());
    std::ofstream out(*host, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    NotifyLocked(Key(winPath));
}

void SimKernel::WriteBytes(const std::string& winPath, const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mu_);
    WriteBytesLocked(winPath, bytes);
}

void SimKernel::WriteText(const std::string& winPath, const std::string& text) {
    WriteBytes(winPath, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void SimKernel::MakeDirectory(const std::string& winPath) {
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(winPath);
    if (!host) throw std::invalid_argument("not a Windows path: " + winPath);
    if (fs::create_directories(*host)) NotifyLocked(Key(winPath));
}

std::optional<std::vector<std::uint8_t>> SimKernel::FileBytes(const std::string& winPath) const {
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(winPath);
    if (!host || !fs::is_regular_file(*host)) return std::nullopt;
    std::ifstream in(*host, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SimKernel::FileText(const std::string& winPath) const {
    auto bytes = FileBytes(winPath);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

bool SimKernel::Exists(const std::string& winPath) const {
    std::lock_guard lock(mu_);
    auto host = HostPathLocked(winPath);
    return host && fs::exists(*host);
}

std::vector<std::string> SimKernel::ListFolder(const std::string& winPath) const {
    std::lock_guard lock(mu_);
    std::vector<std::string> names;
    auto host = HostPathLocked(winPath);
    std::error_code ec;
    if (host)
        for (const auto& entry : fs::directory_iterator(*host, ec))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), LessNoCase);
    return names;
}

void SimKernel::LockFile(const std::string& winPath, bool locked) {
    std::lock_guard lock(mu_);
    if (locked)
        locked_.insert(Key(winPath));
    else
        locked_.erase(Key(winPath));
}

void SimKernel::SetDiskFreeBytes(std::optional<std::uint64_t> bytes) {
    std::lock_guard lock(mu_);
    diskFree_ = bytes;
}

void SimKernel::TouchFolder(const std::string& winPath) {
    std::lock_guard lock(mu_);
    NotifyLocked(Key(winPath) + "\\*");
}

std::uint32_t SimKernel::GetLastError() { return lastError; }

std::string SimKernel::FormatMessage(std::uint32_t messageId) { return SystemMessageText(messageId); }

void SimKernel::OutputDebugString(const std::string& text) {
    journal_.Add("OutputDebugString(" + fmt::Quote(text) + ")");
}

std::string SystemMessageText(std::uint32_t code) {
    // Windows' own English texts for the codes the simulation produces.
    switch (code) {
        case 1:
            return "Incorrect function.";
        case 2:
            return "The system cannot find the file specified.";
        case 3:
            return "The system cannot find the path specified.";
        case 5:
            return "Access is denied.";
        case 6:
            return "The handle is invalid.";
        case 8:
            return "Not enough memory resources are available to process this command.";
        case 32:
            return "The process cannot access the file because it is being used by another process.";
        case 87:
            return "The parameter is incorrect.";
        case 112:
            return "There is not enough space on the disk.";
        case 145:
            return "The directory is not empty.";
        case 183:
            return "Cannot create a file when that file already exists.";
        default:
            return {};
    }
}

}  // namespace sim
