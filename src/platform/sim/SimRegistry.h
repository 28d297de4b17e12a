#pragma once
// The simulated registry: a tree of keys under the predefined roots, holding typed
// values as the exact bytes written.
//
// Behaviour the program can rely on (as on Windows):
// - Key names compare case-insensitively and keep the case they were created with.
// - Subkey paths may start or end with "\" (Win32 accepts "\Control Panel\desktop\").
// - RegCreateKeyEx creates every missing key along the path.
// - Handles are opaque integers; RegCloseKey invalidates them (ERROR_INVALID_HANDLE,
//   6, afterwards). A handle whose key was deleted gives ERROR_KEY_DELETED (1018).
// - Access rights are checked: a key opened with KEY_READ cannot be written
//   (ERROR_ACCESS_DENIED). The predefined roots allow everything.
// - RegDeleteKey refuses a key that has subkeys (ERROR_ACCESS_DENIED).
// - RegEnumKey lists subkeys sorted case-insensitively, like Windows.
// - RegEnumValue lists values in the order they were first written.
// - RegQueryValueExBuffer fills the caller's buffer; a value that does not fit gives
//   ERROR_MORE_DATA with the length needed, and leaves the buffer untouched.
// - HKEY_PERFORMANCE_DATA: a value is whatever the provider installed for its name
//   (SetPerformanceData) returns at the moment of the query, as REG_BINARY, so
//   successive queries can differ; a name without a provider is not found. As on
//   Windows, a too-small buffer gives ERROR_MORE_DATA with the size left as passed.
//
// - Standard user (SetStandardUser): HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT (the
//   machine-wide classes) refuse every write with ERROR_ACCESS_DENIED, and so does
//   opening or creating one of their keys with any write right (KEY_ALL_ACCESS too),
//   as Windows does for a user without administrator rights. Reading goes on.
//
// Journal entries:
//   RegCreateKeyEx(<key>, "<subKey>", <access>)
//   RegOpenKeyEx(<key>, "<subKey>", <access>)
//   RegSetValueEx(<key>, "<name>", <type>, <data>)
//   RegDeleteValue(<key>, "<name>")
//   RegDeleteKey(<key>, "<subKey>")
//   RegQueryValueEx(HKPD, "<name>", <buffer size>)   queries of performance data only
//   RegQueryValueEx(HKPD, "<name>")                  (the second form without a buffer)
// where <key> is the handle's path (HKCU\Software\Velant) and <data> is, for
// REG_SZ / REG_EXPAND_SZ / REG_MULTI_SZ, the quoted bytes ("1\0"), for a 4-byte
// REG_DWORD its decimal value, otherwise hex:01,02,ff.
// Injected failures by name ("RegSetValueEx"...) return ERROR_ACCESS_DENIED unless
// a code is given.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/constants.h"
#include "platform/registry.h"
#include "platform/sim/SimJournal.h"

namespace sim {

constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_NO_MORE_ITEMS = 259;
constexpr long ERROR_KEY_DELETED = 1018;

class SimRegistry : public plat::IRegistry {
public:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
        bool operator==(const Value&) const = default;
    };

    explicit SimRegistry(SimJournal& journal);
    ~SimRegistry() override;

    long RegCreateKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                        plat::Hkey& result) override;
    long RegOpenKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                      plat::Hkey& result) override;
    long RegCloseKey(plat::Hkey key) override;
    long RegSetValueEx(plat::Hkey key, const std::string& name, std::uint32_t type,
                       const std::vector<std::uint8_t>& data) override;
    long RegQueryValueEx(plat::Hkey key, const std::string& name, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) override;
    long RegQueryValueExBuffer(plat::Hkey key, const std::string& name, std::uint32_t& type,
                               std::uint8_t* data, std::uint32_t& size) override;
    long RegDeleteValue(plat::Hkey key, const std::string& name) override;
    long RegDeleteKey(plat::Hkey key, const std::string& subKey) override;
    long RegEnumKey(plat::Hkey key, std::uint32_t index, std::string& name) override;
    long RegEnumValue(plat::Hkey key, std::uint32_t index, std::string& name) override;
    long RegQueryInfoKey(plat::Hkey key, std::uint32_t& values) override;

    // Test helpers. `root` is a predefined root (plat::HKEY_CURRENT_USER...), `path`
    // a subkey path in the same syntax the program uses. None of them journal.
    bool HasKey(plat::Hkey root, const std::string& path) const;
    std::optional<Value> Get(plat::Hkey root, const std::string& path, const std::string& name) const;
    // The text up to the first NUL; "" when the value is missing.
    std::string GetString(plat::Hkey root, const std::string& path, const std::string& name) const;
    std::optional<std::uint32_t> GetDword(plat::Hkey root, const std::string& path,
                                          const std::string& name) const;
    // Creates the key if needed. SetString writes text plus one NUL as REG_SZ.
    void Set(plat::Hkey root, const std::string& path, const std::string& name, std::uint32_t type,
             const std::vector<std::uint8_t>& bytes);
    void SetString(plat::Hkey root, const std::string& path, const std::string& name,
                   const std::string& text);
    void SetDword(plat::Hkey root, const std::string& path, const std::string& name, std::uint32_t value);
    void CreateKey(plat::Hkey root, const std::string& path);
    void RemoveKey(plat::Hkey root, const std::string& path);  // with everything under it
    std::vector<std::string> ValueNames(plat::Hkey root, const std::string& path) const;   // insertion order
    std::vector<std::string> SubKeyNames(plat::Hkey root, const std::string& path) const;  // sorted

    // Opening or creating this key or anything below it fails with ERROR_ACCESS_DENIED.
    void DenyAccess(plat::Hkey root, const std::string& path, bool deny = true);
    // Writes (set value, delete value, delete key, creating a new key) at or below
    // this key fail with `code`; code 0 lifts the failure.
    void FailWrites(plat::Hkey root, const std::string& path, long code = plat::ERROR_WRITE_FAULT);
    // Every write anywhere fails with `code`; 0 lifts it.
    void FailAllWrites(long code = plat::ERROR_WRITE_FAULT);
    // A user without administrator rights (see the header comment).
    void SetStandardUser(bool on) { standardUser_ = on; }

    // The bytes HKEY_PERFORMANCE_DATA answers for the value `name` ("238", "Global"),
    // asked at every query; an empty provider removes it.
    using PerformanceDataProvider = std::function<std::vector<std::uint8_t>()>;
    void SetPerformanceData(const std::string& name, PerformanceDataProvider provider);

    // How many times values of this key were read since it was created (the
    // performance data's reads excepted): each is a round trip to the registry
    // on Windows.
    std::size_t ValueReads(plat::Hkey root, const std::string& path) const;

    // Handles the program has not closed (leak checks).
    std::size_t OpenHandleCount() const { return handles_.size(); }

    // The registry's entries of the shared call journal, in order.
    std::vector<std::string> Operations() const;

private:
    // A key's values in the order they were first written, found by name in
    // constant time: lists of tens of thousands of items stay quick to test.
    class Values {
    public:
        Value* Find(const std::string& name);
        void Set(const std::string& name, Value value);
        bool Erase(const std::string& name);
        std::size_t size() const { return order_.size(); }
        const std::string& NameAt(std::size_t index) const { return order_[index].first; }

    private:
        std::vector<std::pair<std::string, Value>> order_;
        std::unordered_map<std::string, std::size_t> index_;  // lower-case name → place in order_
    };
    struct Node {
        std::string name;
        std::map<std::string, std::unique_ptr<Node>> children;  // by lower-case name
        Values values;
        std::size_t reads = 0;
    };
    struct Open {
        plat::Hkey root;
        std::vector<std::string> path;  // lower-case components
        std::uint32_t access;
    };
    struct Resolved {
        long error = 0;
        plat::Hkey root = 0;
        std::vector<std::string> path;
        std::uint32_t access = 0;
        Node* node = nullptr;  // the key, while nothing else changes the tree
    };

    Resolved Resolve(plat::Hkey key) const;
    // The value's bytes, or an error code; performance data comes from its provider.
    long Lookup(plat::Hkey key, const std::string& name, Value& value);
    Node* Find(plat::Hkey root, const std::vector<std::string>& path) const;
    Node* Make(plat::Hkey root, const std::vector<std::string>& path);
    static std::vector<std::string> Split(const std::string& path);
    std::string KeyText(plat::Hkey key) const;
    std::string PathText(plat::Hkey root, const std::vector<std::string>& path) const;
    bool Denied(plat::Hkey root, const std::vector<std::string>& path) const;
    long WriteFailure(plat::Hkey root, const std::vector<std::string>& path) const;
    bool MachineWide(plat::Hkey root) const;
    long OpenOrCreate(const char* op, plat::Hkey root, const std::string& subKey, std::uint32_t access,
                      plat::Hkey& result, bool create);
    static std::string PrefixKey(plat::Hkey root, const std::vector<std::string>& path);

    SimJournal& journal_;
    std::map<plat::Hkey, std::unique_ptr<Node>> roots_;
    std::map<plat::Hkey, Open> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
    std::map<std::string, bool> denied_;      // PrefixKey → on
    std::map<std::string, long> failWrites_;  // PrefixKey → code
    long failAllWrites_ = 0;
    bool standardUser_ = false;
    std::map<std::string, PerformanceDataProvider> performanceData_;  // by lower-case name
};

std::string RootName(plat::Hkey root);

}  // namespace sim
