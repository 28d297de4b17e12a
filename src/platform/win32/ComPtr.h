#pragma once
// Owns one COM interface pointer: released when it goes, never copied.
// Include after the Windows headers that declare the interfaces.

namespace win32 {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (FPtr) FPtr->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    T* get() const { return FPtr; }
    // For the calls that hand out an interface of this type.
    T** put() { return &FPtr; }
    // For CoCreateInstance and QueryInterface, which hand it out as void*.
    void** putVoid() { return reinterpret_cast<void**>(&FPtr); }

private:
    T* FPtr = nullptr;
};

}  // namespace win32
