#pragma once
// Typed access to one registry value at a time, addressed by root, key and name.
#include <string>

#include "ui/Component.h"

enum class TRootKey { hkClassesRoot, hkCurrentConfig, hkCurrentUser, hkDynData, hkLocalMachine, hkUsers };
enum class TAccess { kRead, kWrite, kExecute, kAllAccess };

class TRegistryEnhanced : public TComponent {
public:
    using TComponent::TComponent;
    TAccess Access = TAccess::kAllAccess;
    std::string Key;
    TRootKey RootKey = TRootKey::hkCurrentUser;
};
