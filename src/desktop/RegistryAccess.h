#pragma once
// Typed access to one registry value at a time, addressed by root, key and a
// name that may carry a sub-key path; values travel as variants.
#include <cstdint>
#include <string>
#include <variant>

#include "desktop/TextSplitter.h"
#include "platform/registry.h"
#include "ui/Component.h"

enum class TRootKey { hkClassesRoot, hkCurrentConfig, hkCurrentUser, hkDynData, hkLocalMachine, hkUsers };
enum class TAccess { kRead, kWrite, kExecute, kAllAccess };
enum class TLangType { ltFrench, ltEnglish };

struct TCurrency {
    std::int64_t scaled = 0;  // value × 10000
};
struct TDateTime {
    double days = 0;
};
struct TSmallInt {
    std::int16_t value = 0;
};

// The variant kinds the helper converts; TSmallInt stands for the integer
// variants that are not 32-bit, which it does not write.
using TVariant =
    std::variant<std::monostate, std::int32_t, double, TCurrency, TDateTime, bool, std::string, TSmallInt>;

class TRegistryAccess : public TComponent {
public:
    TRegistryAccess(std::string name, plat::IRegistry& registry);

    TAccess Access = TAccess::kAllAccess;
    std::string Key;
    TLangType LangType = TLangType::ltFrench;
    TRootKey RootKey = TRootKey::hkCurrentUser;

    void WriteValue(const std::string& name, const TVariant& value);
    void WriteBinaryInteger(const std::string& name, std::int32_t value);
    void ReadValue(const std::string& name, const TVariant& def, TVariant& result);

    std::string TrimKey() const;
    std::string ValuePath(const std::string& name);
    std::string ValueName(const std::string& name);
    // "\" + TrimKey + ValuePath(name): the key every operation opens.
    std::string FullKeyPath(const std::string& name);

private:
    plat::IRegistry& FRegistry;
    TTextSplitter FBreak{"BrkApart"};
};
