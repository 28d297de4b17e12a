#pragma once
// The component base: a named object owned by a form, with published properties
// reachable by name for the settings store.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TFont;

enum class TPropKind { Integer, Boolean, Text, Strings, Font };

// Typed access to one published property; only the members of its kind are set.
struct TPropRef {
    TPropKind kind = TPropKind::Integer;
    std::function<long long()> getInt;
    std::function<void(long long)> setInt;
    std::function<bool()> getBool;
    std::function<void(bool)> setBool;
    std::function<std::string()> getText;
    std::function<void(const std::string&)> setText;
    std::function<std::vector<std::string>()> getList;
    std::function<void(const std::vector<std::string>&)> setList;
    // Changes whenever the list's entries change, and only then.
    std::function<std::uint64_t()> getRevision;
    TFont* font = nullptr;
};

class TComponent {
public:
    explicit TComponent(std::string name) : FName(std::move(name)) {}
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return FName; }
    // The published property of that name, if the component has one.
    virtual std::optional<TPropRef> Property(const std::string& /*name*/) { return std::nullopt; }

private:
    std::string FName;
};
