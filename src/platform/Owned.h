#pragma once
// A handle the program holds through a platform interface, given back through
// the same interface when its owner goes: on every path out, exceptions included,
// and exactly once.
#include <utility>

#include "platform/kernel.h"
#include "platform/shell.h"

namespace plat {

// Free is the interface's member that gives the handle back (FindClose,
// FreeIDList...); a null handle is never passed to it.
template <class Interface, class H, auto Free>
class TOwned {
public:
    TOwned() = default;
    TOwned(Interface& owner, H handle) : FOwner(&owner), FHandle(handle) {}
    TOwned(TOwned&& other) noexcept : FOwner(other.FOwner), FHandle(std::exchange(other.FHandle, H{})) {}
    TOwned& operator=(TOwned&& other) noexcept {
        if (this != &other) {
            Reset();
            FOwner = other.FOwner;
            FHandle = std::exchange(other.FHandle, H{});
        }
        return *this;
    }
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    ~TOwned() { Reset(); }

    H Get() const { return FHandle; }
    explicit operator bool() const { return static_cast<bool>(FHandle); }
    // Gives the handle up without releasing it (its new owner releases it).
    H Release() { return std::exchange(FHandle, H{}); }
    void Reset() {
        if (FHandle) (FOwner->*Free)(std::exchange(FHandle, H{}));
    }

private:
    Interface* FOwner = nullptr;
    H FHandle{};
};

using TOwnedFind = TOwned<IKernel, Handle, &IKernel::FindClose>;
using TOwnedKernelHandle = TOwned<IKernel, Handle, &IKernel::CloseHandle>;
using TOwnedIdList = TOwned<IShell, Pidl, &IShell::FreeIDList>;

}  // namespace plat
