#include "wallpaper/FileScanner.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "platform/Owned.h"
#include "platform/constants.h"

namespace {

constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr std::uint32_t DRIVE_FIXED = 3;
constexpr std::uint32_t DRIVE_REMOTE = 4;
constexpr std::uint32_t DRIVE_CDROM = 5;
constexpr std::uint32_t DRIVE_RAMDISK = 6;
// Path comparisons of the final sort that weigh about as much as reading one
// directory entry, for the spacing of window messages.
constexpr int kComparesPerEntry = 64;

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The user's collation of two whole paths, without case: CSTR_LESS_THAN,
// CSTR_EQUAL or CSTR_GREATER_THAN. Paths being sorted share long folder
// prefixes; the folders they have in common weigh the same on both sides, so
// the comparison starts after the last backslash of the shared bytes (no
// collation joins a backslash with the characters around it). Where the
// system cannot compare, byte order with letters folded stands in.
// A sort calls this for every pair it looks at: plain pointer loops, eight
// equal bytes at a time.
int ComparePaths(plat::IKernel& kernel, const std::string& a, const std::string& b) {
    const char* const pa = a.data();
    const char* const pb = b.data();
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    std::size_t common = 0;
    for (; common + 8 <= n; common += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, pa + common, 8);
        std::memcpy(&y, pb + common, 8);
        if (x != y) break;
    }
    while (common < n && pa[common] == pb[common]) ++common;
    if (common == a.size() && common == b.size()) return plat::CSTR_EQUAL;
    std::size_t from = common;
    while (from > 0 && pa[from - 1] != '\\') --from;
    const std::string_view restA(pa + from, a.size() - from), restB(pb + from, b.size() - from);
    const int order = kernel.CompareString(plat::LOCALE_USER_DEFAULT, plat::NORM_IGNORECASE, restA, restB);
    if (order == plat::CSTR_LESS_THAN || order == plat::CSTR_EQUAL || order == plat::CSTR_GREATER_THAN)
        return order;
    if (PathLess(restA, restB)) return plat::CSTR_LESS_THAN;
    return PathLess(restB, restA) ? plat::CSTR_GREATER_THAN : plat::CSTR_EQUAL;
}

// Clears a flag on every way out of a scope.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TFlagGuard() { FFlag = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& FFlag;
};

}  // namespace

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return {};
    if (dir.back() == '\\') return dir + name;
    return dir + '\\' + name;
}

std::vector<TMask> ParseMaskList(const std::string& text) {
    std::vector<TMask> masks;
    std::string item;
    auto addItem = [&] {
        while (!item.empty() && item.back() == ' ') item.pop_back();
        if (!item.empty()) masks.emplace_back(item);
        item.clear();
    };
    for (char c : text) {
        if (c == ' ' && item.empty()) continue;
        if (c == ',') {
            addItem();
            continue;
        }
        item += c;
    }
    addItem();
    return masks;
}

bool PathLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    // Paths being sorted share long folder prefixes, and equal bytes need no
    // folding: skip them eight at a time.
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) break;
    }
    for (; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const auto ca = static_cast<unsigned char>(FoldCase(a[i]));
        const auto cb = static_cast<unsigned char>(FoldCase(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

TFileScanner::TFileScanner(std::string name, plat::IKernel& kernel, std::function<void()> processMessages)
    : TComponent(std::move(name)), FKernel(kernel), FProcessMessages(std::move(processMessages)) {}

bool TFileScanner::Execute() {
    if (FScanning) return false;
    TFlagGuard scanning(FScanning);

    FList.clear();
    FCount = 0;
    FSize = 0;
    FMasks = ParseMaskList(FileMask);
    FStop = false;
    FSincePump = 0;
    switch (ScanOptions) {
        case TScanOptions::soGlobal:
            ScanAllDrives();
            break;
        case TScanOptions::soSpecifiedDisk:
            ScanFolder(ScanDir.substr(0, 2));
            break;
        case TScanOptions::soSpecifiedDir:
            ScanFolder(ScanDir);
            break;
    }
    FMasks.clear();

    // Sorting once at the end gives the order of a list kept sorted while it
    // grows, without its quadratic insertions; the stable sort keeps the
    // first-found of two paths the collation holds equal (differing in case).
    // Tens of thousands of paths take the system's collation most of a second:
    // window messages run in between, as they do between directory entries.
    if (SortedList) {
        int compared = 0;
        auto compare = [this, &compared](const std::string& a, const std::string& b) {
            if (++compared % kComparesPerEntry == 0) PumpMessages();
            return ComparePaths(FKernel, a, b);
        };
        std::stable_sort(FList.begin(), FList.end(), [&compare](const std::string& a, const std::string& b) {
            return compare(a, b) == plat::CSTR_LESS_THAN;
        });
        FList.erase(std::unique(FList.begin(), FList.end(),
                                [&compare](const std::string& a, const std::string& b) {
                                    return compare(a, b) == plat::CSTR_EQUAL;
                                }),
                    FList.end());
    }
    if (OnEndProcess) OnEndProcess(*this, FList, FCount, FSize);
    return true;
}

void TFileScanner::ScanAllDrives() {
    const std::uint32_t drives = FKernel.GetLogicalDrives();
    for (int i = 0; i < 26 && !FStop; ++i) {
        if (!((drives >> i) & 1u)) continue;
        const char letter = static_cast<char>('A' + i);
        const std::uint32_t type = FKernel.GetDriveType(std::string(1, letter) + ":\\");
        if (type == DRIVE_FIXED || type == DRIVE_REMOTE || type == DRIVE_CDROM || type == DRIVE_RAMDISK)
            ScanFolder(std::string(1, letter) + ":");
    }
}

bool TFileScanner::MatchesAnyMask(std::string_view name) const {
    for (const TMask& mask : FMasks)
        if (mask.MatchesName(name)) return true;
    return false;
}

void TFileScanner::PumpMessages() {
    if (!ProcessMsg || !FProcessMessages) return;
    if (++FSincePump < ProcessMsgInterval) return;
    FSincePump = 0;
    FProcessMessages();
}

// Depth first, each subfolder scanned as soon as its entry is read. The open
// searches are kept on an explicit stack rather than the call stack, so that
// a very deep tree (long paths allow thousands of levels) cannot overflow it.
void TFileScanner::ScanFolder(const std::string& root) {
    struct TFrame {
        std::string dir;
        plat::TOwnedFind find;
        plat::FindData entry;
        bool fetchNext = false;
        bool valid = true;
    };
    std::vector<TFrame> stack;
    auto enter = [&](const std::string& dir) {
        if (OnProcess) OnProcess(*this, dir, FCount, FSize);
        if (dir.empty()) return;
        TFrame frame;
        frame.dir = dir;
        frame.find = plat::TOwnedFind(FKernel, FKernel.FindFirstFile(JoinPath(dir, "*.*"), frame.entry));
        if (frame.find) stack.push_back(std::move(frame));
    };

    // An exception leaves each search still open to its frame, which closes it.
    enter(root);
    while (!stack.empty()) {
        TFrame& top = stack.back();
        if (top.fetchNext) {
            top.fetchNext = false;
            top.valid = FKernel.FindNextFile(top.find.Get(), top.entry);
            PumpMessages();
            continue;
        }
        if (!top.valid || FStop) {
            stack.pop_back();
            continue;
        }
        top.fetchNext = true;
        const std::string& name = top.entry.name;
        if (name == "." || name == "..") continue;
        const std::uint32_t attributes = top.entry.attributes;
        if ((attributes & Attributes.Bits()) == Attributes.Bits() && MatchesAnyMask(name)) {
            ++FCount;
            FSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(FSize) +
                                              static_cast<std::uint32_t>(top.entry.size));
            if (BuildList) FList.push_back(JoinPath(top.dir, name));
        }
        // A junction or symbolic link to a folder can lead back to one of
        // its parents; following it would never end.
        if (Recursive && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) &&
            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            enter(JoinPath(top.dir, name));  // may reallocate the stack: top is not used after
    }
}
