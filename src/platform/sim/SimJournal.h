#pragma once
// The call journal every simulated family writes to, and the switchboard that
// makes any operation fail on demand.
//
// Journal format (one string per call, in call order):
//   Name(arg, arg, ...)
// - Numbers are decimal, except: window messages as 0x%04X (0x001A), virtual-key
//   codes as 0x%02X (0x57), colours as 0x%06X (0x00FF00), SHChangeNotify's event
//   and flags as 0x%08X / 0x%04X.
// - Window, menu, icon and id-list handles are decimal. Kernel handles are shown
//   signed, so the pseudo handles read -1 (process) and -2 (thread).
// - Strings are between double quotes, verbatim (backslashes are not doubled);
//   bytes below 0x20 are written \0 \t \n \r or \xNN. A null char* is `null`,
//   any other pointer argument is `ptr`. Booleans are 1 / 0.
// - Registry keys are written as their full path with an abbreviated root
//   (HKCU\Control Panel\Desktop, or just HKCU for a root itself).
// Pure queries (IsWindow, FindWindow, GetWindowText, GetTickCount, RegQueryValueEx,
// RegEnumKey, RegCloseKey, FindFirstFile, ReadFile, GetFileAttributes, waits and
// events...) are not journaled; every call that changes state or reaches other
// programs is, failed calls included. Each family's header lists its entries.
//
// Failure injection works on every operation by its Win32 name, journaled or not.
// A failing call returns what the Win32 call returns on failure (false, 0, a
// null handle, or an error code: the code given here, or the family's default).
// Thread-safe: the folder monitor's worker thread journals and checks failures too.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace sim {

class SimJournal {
public:
    void Add(std::string entry);
    std::vector<std::string> Entries() const;
    void Clear();
    // Entries starting with prefix; pass "SendMessage(" to leave out SendMessageTimeout.
    std::size_t Count(const std::string& prefix) const;
    bool Contains(const std::string& entry) const;
    // Entries starting with prefix, in order.
    std::vector<std::string> Matching(const std::string& prefix) const;
    std::string Last() const;  // "" when empty

    // Benchmark option: off, calls are no longer recorded, so a benchmark times the
    // program rather than the journal. On by default.
    void SetRecording(bool on) { recording_.store(on, std::memory_order_relaxed); }
    bool Recording() const { return recording_.load(std::memory_order_relaxed); }

    // The next `times` calls of the operation fail (code 0 = the family's default code).
    void FailNext(const std::string& operation, long code = 0, int times = 1);
    // Every call fails while on.
    void SetFailing(const std::string& operation, bool on, long code = 0);
    // Consumes one pending failure; the code to fail with (0 = default), or nullopt to succeed.
    // Until a failure is first injected it answers without the lock or a lookup.
    std::optional<long> Fails(std::string_view operation) {
        if (!anyFailure_.load(std::memory_order_acquire)) return std::nullopt;
        return PendingFailure(operation);
    }

private:
    struct Failure {
        int pending = 0;
        bool always = false;
        long code = 0;
    };
    std::optional<long> PendingFailure(std::string_view operation);

    mutable std::mutex mu_;
    std::vector<std::string> entries_;
    std::map<std::string, Failure, std::less<>> failures_;
    std::atomic<bool> recording_{true};
    std::atomic<bool> anyFailure_{false};
};

// Formatting helpers shared by the families, so every entry follows the rules above.
namespace fmt {
std::string Quote(const std::string& text);
std::string Quote(const char* text);  // `null` for nullptr
std::string Bytes(const std::uint8_t* data, std::size_t size);
std::string Msg(std::uint32_t msg);
std::string Vk(std::uint32_t vk);
std::string Color(std::uint32_t color);
std::string Hex(std::uint64_t value, int digits);
std::string Handle(plat::Handle handle);  // signed decimal
std::string Ptr(const void* p);           // `null` or `ptr`
}  // namespace fmt

// Case-insensitive (ASCII) helpers, as Windows compares names.
std::string Lower(const std::string& text);
bool IEquals(const std::string& a, const std::string& b);

}  // namespace sim
