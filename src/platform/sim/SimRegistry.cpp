#include "platform/sim/SimRegistry.h"

#include <algorithm>
#include <stdexcept>

#include "platform/constants.h"

namespace sim {

namespace {
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;

bool IsRoot(plat::Hkey key) { return key >= plat::HKEY_CLASSES_ROOT && key <= plat::HKEY_DYN_DATA; }

std::string DataText(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    if (type == plat::REG_SZ || type == plat::REG_EXPAND_SZ || type == plat::REG_MULTI_SZ)
        return fmt::Bytes(data.data(), data.size());
    if (type == plat::REG_DWORD && data.size() == 4)
        return std::to_string(static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                         static_cast<std::uint32_t>(data[3]) << 24));
    std::string out = "hex:";
    static const char* digits = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i) out += ',';
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}
}  // namespace

std::string RootName(plat::Hkey root) {
    switch (root.Value()) {
        case plat::HKEY_CLASSES_ROOT.Value():
            return "HKCR";
        case plat::HKEY_CURRENT_USER.Value():
            return "HKCU";
        case plat::HKEY_LOCAL_MACHINE.Value():
            return "HKLM";
        case plat::HKEY_USERS.Value():
            return "HKU";
        case plat::HKEY_PERFORMANCE_DATA.Value():
            return "HKPD";
        case plat::HKEY_CURRENT_CONFIG.Value():
            return "HKCC";
        case plat::HKEY_DYN_DATA.Value():
            return "HKDD";
        default:
            return std::to_string(root.Value());
    }
}

SimRegistry::SimRegistry(SimJournal& journal) : journal_(journal) {
    for (auto v = plat::HKEY_CLASSES_ROOT.Value(); v <= plat::HKEY_DYN_DATA.Value(); ++v) {
        const plat::Hkey r{v};
        roots_[r] = std::make_unique<Node>();
        roots_[r]->name = RootName(r);
    }
}

SimRegistry::~SimRegistry() = default;

std::vector<std::string> SimRegistry::Split(const std::string& path) {
    std::vector<std::string> out;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) out.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) out.push_back(part);
    return out;
}

std::string SimRegistry::PrefixKey(plat::Hkey root, const std::vector<std::string>& path) {
    std::string key = std::to_string(root.Value());
    for (const auto& p : path) key += "\\" + Lower(p);
    return key;
}

SimRegistry::Resolved SimRegistry::Resolve(plat::Hkey key) const {
    Resolved r;
    if (IsRoot(key)) {
        r.root = key;
        r.access = plat::KEY_ALL_ACCESS;
        r.node = Find(key, {});
        return r;
    }
    auto it = handles_.find(key);
    if (it == handles_.end()) {
        r.error = ERROR_INVALID_HANDLE;
        return r;
    }
    r.root = it->second.root;
    r.path = it->second.path;
    r.access = it->second.access;
    r.node = Find(r.root, r.path);
    if (!r.node) r.error = ERROR_KEY_DELETED;
    return r;
}

SimRegistry::Node* SimRegistry::Find(plat::Hkey root, const std::vector<std::string>& path) const {
    auto it = roots_.find(root);
    if (it == roots_.end()) return nullptr;
    Node* node = it->second.get();
    for (const auto& part : path) {
        auto c = node->children.find(Lower(part));
        if (c == node->children.end()) return nullptr;
        node = c->second.get();
    }
    return node;
}

SimRegistry::Node* SimRegistry::Make(plat::Hkey root, const std::vector<std::string>& path) {
    auto it = roots_.find(root);
    if (it == roots_.end()) return nullptr;
    Node* node = it->second.get();
    for (const auto& part : path) {
        auto& slot = node->children[Lower(part)];
        if (!slot) {
            slot = std::make_unique<Node>();
            slot->name = part;
        }
        node = slot.get();
    }
    return node;
}

std::string SimRegistry::PathText(plat::Hkey root, const std::vector<std::string>& path) const {
    std::string text = RootName(root);
    auto it = roots_.find(root);
    const Node* node = it == roots_.end() ? nullptr : it->second.get();
    for (const auto& part : path) {
        const Node* next = nullptr;
        if (node) {
            auto c = node->children.find(Lower(part));
            if (c != node->children.end()) next = c->second.get();
        }
        text += "\\" + (next ? next->name : part);
        node = next;
    }
    return text;
}

std::string SimRegistry::KeyText(plat::Hkey key) const {
    if (IsRoot(key)) return RootName(key);
    auto it = handles_.find(key);
    if (it == handles_.end()) return "<invalid " + std::to_string(key.Value()) + ">";
    return PathText(it->second.root, it->second.path);
}

bool SimRegistry::Denied(plat::Hkey root, const std::vector<std::string>& path) const {
    for (std::size_t n = 0; n <= path.size(); ++n) {
        auto it =
            denied_.find(PrefixKey(root, {path.begin(), path.begin() + static_cast<std::ptrdiff_t>(n)}));
        if (it != denied_.end() && it->second) return true;
    }
    return false;
}

bool SimRegistry::MachineWide(plat::Hkey root) const {
    return standardUser_ && (root == plat::HKEY_LOCAL_MACHINE || root == plat::HKEY_CLASSES_ROOT);
}

long SimRegistry::WriteFailure(plat::Hkey root, const std::vector<std::string>& path) const {
    if (failAllWrites_) return failAllWrites_;
    if (MachineWide(root)) return plat::ERROR_ACCESS_DENIED;
    if (failWrites_.empty()) return 0;
    for (std::size_t n = 0; n <= path.size(); ++n) {
        auto it =
            failWrites_.find(PrefixKey(root, {path.begin(), path.begin() + static_cast<std::ptrdiff_t>(n)}));
        if (it != failWrites_.end() && it->second) return it->second;
    }
    return 0;
}

long SimRegistry::OpenOrCreate(const char* op, plat::Hkey root, const std::string& subKey,
                               std::uint32_t access, plat::Hkey& result, bool create) {
    journal_.Add(std::string(op) + "(" + KeyText(root) + ", " + fmt::Quote(subKey) + ", " +
                 std::to_string(access) + ")");
    result = 0;
    if (auto f = journal_.Fails(op)) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    Resolved base = Resolve(root);
    if (base.error) return base.error;
    std::vector<std::string> path = base.path;
    for (auto& p : Split(subKey)) path.push_back(p);
    if (Denied(base.root, path)) return plat::ERROR_ACCESS_DENIED;
    // Write access to a machine-wide key is refused at the opening already.
    constexpr std::uint32_t kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | 0x10000 | 0x40000 | 0x80000;
    if (MachineWide(base.root) && (access & kWriteRights)) return plat::ERROR_ACCESS_DENIED;
    if (!Find(base.root, path)) {
        if (!create) return plat::ERROR_FILE_NOT_FOUND;
        if (!(base.access & KEY_CREATE_SUB_KEY)) return plat::ERROR_ACCESS_DENIED;
        if (long w = WriteFailure(base.root, path)) return w;
        Make(base.root, path);
    }
    const plat::Hkey h{nextHandle_};
    nextHandle_ += 4;
    std::vector<std::string> lower;
    for (auto& p : path) lower.push_back(Lower(p));
    handles_[h] = Open{base.root, lower, access};
    result = h;
    return plat::ERROR_SUCCESS;
}

long SimRegistry::RegCreateKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                                 plat::Hkey& result) {
    return OpenOrCreate("RegCreateKeyEx", root, subKey, access, result, true);
}

long SimRegistry::RegOpenKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                               plat::Hkey& result) {
    return OpenOrCreate("RegOpenKeyEx", root, subKey, access, result, false);
}

long SimRegistry::RegCloseKey(plat::Hkey key) {
    if (auto f = journal_.Fails("RegCloseKey")) return *f ? *f : ERROR_INVALID_HANDLE;
    if (IsRoot(key)) return plat::ERROR_SUCCESS;
    return handles_.erase(key) ? plat::ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

long SimRegistry::RegSetValueEx(plat::Hkey key, const std::string& name, std::uint32_t type,
                                const std::vector<std::uint8_t>& data) {
    // Lists of tens of thousands of values are written with the journal off: no text then.
    if (journal_.Recording())
        journal_.Add("RegSetValueEx(" + KeyText(key) + ", " + fmt::Quote(name) + ", " + std::to_string(type) +
                     ", " + DataText(type, data) + ")");
    if (auto f = journal_.Fails("RegSetValueEx")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    Resolved r = Resolve(key);
    if (r.error) return r.error;
    if (!(r.access & KEY_SET_VALUE)) return plat::ERROR_ACCESS_DENIED;
    if (long w = WriteFailure(r.root, r.path)) return w;
    r.node->values.Set(name, Value{type, data});
    return plat::ERROR_SUCCESS;
}

long SimRegistry::Lookup(plat::Hkey key, const std::string& name, Value& value) {
    if (auto f = journal_.Fails("RegQueryValueEx")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    if (key == plat::HKEY_PERFORMANCE_DATA) {
        auto it = performanceData_.find(Lower(name));
        if (it == performanceData_.end()) return plat::ERROR_FILE_NOT_FOUND;
        value = Value{plat::REG_BINARY, it->second()};
        return plat::ERROR_SUCCESS;
    }
    Resolved r = Resolve(key);
    if (r.error) return r.error;
    if (!(r.access & KEY_QUERY_VALUE)) return plat::ERROR_ACCESS_DENIED;
    ++r.node->reads;
    const Value* found = r.node->values.Find(name);
    if (!found) return plat::ERROR_FILE_NOT_FOUND;
    value = *found;
    return plat::ERROR_SUCCESS;
}

long SimRegistry::RegQueryValueEx(plat::Hkey key, const std::string& name, std::uint32_t& type,
                                  std::vector<std::uint8_t>& data) {
    if (key == plat::HKEY_PERFORMANCE_DATA)
        journal_.Add("RegQueryValueEx(" + KeyText(key) + ", " + fmt::Quote(name) + ")");
    Value v;
    long rc = Lookup(key, name, v);
    if (rc != plat::ERROR_SUCCESS) return rc;
    type = v.type;
    data = std::move(v.bytes);
    return plat::ERROR_SUCCESS;
}

long SimRegistry::RegQueryValueExBuffer(plat::Hkey key, const std::string& name, std::uint32_t& type,
                                        std::uint8_t* data, std::uint32_t& size) {
    if (key == plat::HKEY_PERFORMANCE_DATA)
        journal_.Add("RegQueryValueEx(" + KeyText(key) + ", " + fmt::Quote(name) + ", " +
                     std::to_string(size) + ")");
    Value v;
    long rc = Lookup(key, name, v);
    if (rc != plat::ERROR_SUCCESS) return rc;
    type = v.type;
    auto needed = static_cast<std::uint32_t>(v.bytes.size());
    if (data && size < needed) {
        if (key != plat::HKEY_PERFORMANCE_DATA) size = needed;
        return plat::ERROR_MORE_DATA;
    }
    if (data && needed) std::copy(v.bytes.begin(), v.bytes.end(), data);
    size = needed;
    return plat::ERROR_SUCCESS;
}

void SimRegistry::SetPerformanceData(const std::string& name, PerformanceDataProvider provider) {
    if (provider)
        performanceData_[Lower(name)] = std::move(provider);
    else
        performanceData_.erase(Lower(name));
}

long SimRegistry::RegDeleteValue(plat::Hkey key, const std::string& name) {
    journal_.Add("RegDeleteValue(" + KeyText(key) + ", " + fmt::Quote(name) + ")");
    if (auto f = journal_.Fails("RegDeleteValue")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    Resolved r = Resolve(key);
    if (r.error) return r.error;
    if (!(r.access & KEY_SET_VALUE)) return plat::ERROR_ACCESS_DENIED;
    if (long w = WriteFailure(r.root, r.path)) return w;
    return r.node->values.Erase(name) ? plat::ERROR_SUCCESS : plat::ERROR_FILE_NOT_FOUND;
}

long SimRegistry::RegDeleteKey(plat::Hkey key, const std::string& subKey) {
    journal_.Add("RegDeleteKey(" + KeyText(key) + ", " + fmt::Quote(subKey) + ")");
    if (auto f = journal_.Fails("RegDeleteKey")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    Resolved r = Resolve(key);
    if (r.error) return r.error;
    std::vector<std::string> path = r.path;
    for (auto& p : Split(subKey)) path.push_back(Lower(p));
    if (path.empty()) return plat::ERROR_ACCESS_DENIED;  // a root cannot be deleted
    if (Denied(r.root, path)) return plat::ERROR_ACCESS_DENIED;
    Node* node = Find(r.root, path);
    if (!node) return plat::ERROR_FILE_NOT_FOUND;
    if (!node->children.empty()) return plat::ERROR_ACCESS_DENIED;
    if (long w = WriteFailure(r.root, path)) return w;
    Node* parent = Find(r.root, {path.begin(), path.end() - 1});
    parent->children.erase(Lower(path.back()));
    return plat::ERROR_SUCCESS;
}

long SimRegistry::RegEnumKey(plat::Hkey key, std::uint32_t index, std::string& name) {
    if (auto f = journal_.Fails("RegEnumKey")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    Resolved r = Resolve(key);
    if (r.error) return r.error;
    if (!(r.access & KEY_ENUMERATE_SUB_KEYS)) return plat::ERROR_ACCESS_DENIED;
    Node* node = r.node;
    if (index >= node->children.size()) return ERROR_NO_MORE_ITEMS;
    auto it = node->children.begin();  // ordered by lower-case name, as Windows enumerates
    std::advance(it, index);
    name = it->second->name;
    return plat::ERROR_SUCCESS;
}

long SimRegistry::RegEnumValue(plat::Hkey key, std::uint32_t index, std::string& name) {
    if (auto f = journal_.Fails("RegEnumValue")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    Resolved r = Resolve(key);
    if (r.error) return r.error;
    if (!(r.access & KEY_QUERY_VALUE)) return plat::ERROR_ACCESS_DENIED;
    Node* node = r.node;
    if (index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
    name = node->values.NameAt(index);
    return plat::ERROR_SUCCESS;
}

long SimRegistry::RegQueryInfoKey(plat::Hkey key, std::uint32_t& values) {
    values = 0;
    if (auto f = journal_.Fails("RegQueryInfoKey")) return *f ? *f : plat::ERROR_ACCESS_DENIED;
    Resolved r = Resolve(key);
    if (r.error) return r.error;
    if (!(r.access & KEY_QUERY_VALUE)) return plat::ERROR_ACCESS_DENIED;
    values = static_cast<std::uint32_t>(r.node->values.size());
    return plat::ERROR_SUCCESS;
}

SimRegistry::Value* SimRegistry::Values::Find(const std::string& name) {
    auto it = index_.find(Lower(name));
    return it == index_.end() ? nullptr : &order_[it->second].second;
}

void SimRegistry::Values::Set(const std::string& name, Value value) {
    auto [it, added] = index_.emplace(Lower(name), order_.size());
    if (added)
        order_.emplace_back(name, std::move(value));
    else
        order_[it->second].second = std::move(value);
}

bool SimRegistry::Values::Erase(const std::string& name) {
    auto it = index_.find(Lower(name));
    if (it == index_.end()) return false;
    const std::size_t place = it->second;
    index_.erase(it);
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(place));
    for (auto& entry : index_)
        if (entry.second > place) --entry.second;
    return true;
}

bool SimRegistry::HasKey(plat::Hkey root, const std::string& path) const {
    return Find(root, Split(path)) != nullptr;
}

std::optional<SimRegistry::Value> SimRegistry::Get(plat::Hkey root, const std::string& path,
                                                   const std::string& name) const {
    Node* node = Find(root, Split(path));
    if (!node) return std::nullopt;
    if (const Value* v = node->values.Find(name)) return *v;
    return std::nullopt;
}

std::string SimRegistry::GetString(plat::Hkey root, const std::string& path, const std::string& name) const {
    auto v = Get(root, path, name);
    if (!v) return {};
    std::string text(v->bytes.begin(), v->bytes.end());
    return text.substr(0, text.find('\0'));
}

std::optional<std::uint32_t> SimRegistry::GetDword(plat::Hkey root, const std::string& path,
                                                   const std::string& name) const {
    auto v = Get(root, path, name);
    if (!v || v->bytes.size() != 4) return std::nullopt;
    const auto& b = v->bytes;
    return static_cast<std::uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

void SimRegistry::Set(plat::Hkey root, const std::string& path, const std::string& name, std::uint32_t type,
                      const std::vector<std::uint8_t>& bytes) {
    Node* node = Make(root, Split(path));
    if (!node) throw std::invalid_argument("not a registry root: " + std::to_string(root.Value()));
    node->values.Set(name, Value{type, bytes});
}

void SimRegistry::SetString(plat::Hkey root, const std::string& path, const std::string& name,
                            const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    Set(root, path, name, plat::REG_SZ, bytes);
}

void SimRegistry::SetDword(plat::Hkey root, const std::string& path, const std::string& name,
                           std::uint32_t value) {
    Set(root, path, name, plat::REG_DWORD,
        {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
         static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void SimRegistry::CreateKey(plat::Hkey root, const std::string& path) {
    if (!Make(root, Split(path)))
        throw std::invalid_argument("not a registry root: " + std::to_string(root.Value()));
}

void SimRegistry::RemoveKey(plat::Hkey root, const std::string& path) {
    auto parts = Split(path);
    if (parts.empty()) return;
    Node* parent = Find(root, {parts.begin(), parts.end() - 1});
    if (parent) parent->children.erase(Lower(parts.back()));
}

std::vector<std::string> SimRegistry::ValueNames(plat::Hkey root, const std::string& path) const {
    std::vector<std::string> out;
    if (Node* node = Find(root, Split(path)))
        for (std::size_t i = 0; i < node->values.size(); ++i) out.push_back(node->values.NameAt(i));
    return out;
}

std::vector<std::string> SimRegistry::SubKeyNames(plat::Hkey root, const std::string& path) const {
    std::vector<std::string> out;
    if (Node* node = Find(root, Split(path)))
        for (auto& c : node->children) out.push_back(c.second->name);
    return out;
}

std::vector<std::string> SimRegistry::Operations() const {
    static const char* names[] = {"RegCreateKeyEx(", "RegOpenKeyEx(", "RegSetValueEx(", "RegDeleteValue(",
                                  "RegDeleteKey("};
    std::vector<std::string> out;
    for (const auto& e : journal_.Entries())
        for (const char* n : names)
            if (e.rfind(n, 0) == 0) out.push_back(e);
    return out;
}

void SimRegistry::DenyAccess(plat::Hkey root, const std::string& path, bool deny) {
    denied_[PrefixKey(root, Split(path))] = deny;
}

void SimRegistry::FailWrites(plat::Hkey root, const std::string& path, long code) {
    failWrites_[PrefixKey(root, Split(path))] = code;
}

void SimRegistry::FailAllWrites(long code) { failAllWrites_ = code; }

std::size_t SimRegistry::ValueReads(plat::Hkey root, const std::string& path) const {
    const Node* node = Find(root, Split(path));
    return node ? node->reads : 0;
}

}  // namespace sim
