#pragma once
// One small owner per kind of platform handle, written once and used
// everywhere: whatever is opened is closed on every way out.
#include <windows.h>
#include <objbase.h>
#include <utility>

namespace platform {

template <typename Traits> class Owner {
public:
    using Handle = typename Traits::Handle;
    Owner() = default;
    explicit Owner(Handle handle) : handle_(handle) {}
    Owner(const Owner &) = delete;
    Owner &operator=(const Owner &) = delete;
    Owner(Owner &&other) noexcept : handle_(std::exchange(other.handle_, Traits::empty())) {}
    Owner &operator=(Owner &&other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Traits::empty()));
        return *this;
    }
    ~Owner() { reset(); }

    Handle get() const { return handle_; }
    bool valid() const { return Traits::valid(handle_); }
    explicit operator bool() const { return valid(); }
    Handle release() { return std::exchange(handle_, Traits::empty()); }
    void reset(Handle handle = Traits::empty()) {
        if (Traits::valid(handle_)) Traits::close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::empty();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Handle h) { ::CloseHandle(h); }
};
using UniqueHandle = Owner<KernelHandleTraits>;

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static bool valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Handle h) { ::FindClose(h); }
};
using FindHandle = Owner<FindHandleTraits>;

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
    static void close(Handle h) { ::RegCloseKey(h); }
};
using UniqueKey = Owner<RegistryKeyTraits>;

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
    static void close(Handle h) { ::DeleteObject(h); }
};
using GdiObject = Owner<GdiObjectTraits>;

struct IconTraits {
    using Handle = HICON;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
    static void close(Handle h) { ::DestroyIcon(h); }
};
using UniqueIcon = Owner<IconTraits>;

struct WindowTraits {
    using Handle = HWND;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
    static void close(Handle h) { ::DestroyWindow(h); }
};
using UniqueWindow = Owner<WindowTraits>;

// Memory handed out by the shell or COM (item-identifier lists, strings).
struct TaskMemoryTraits {
    using Handle = void *;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
    static void close(Handle h) { ::CoTaskMemFree(h); }
};
using TaskMemory = Owner<TaskMemoryTraits>;

// Memory the system hands out with LocalAlloc (security descriptors,
// formatted messages).
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
    static void close(Handle h) { ::LocalFree(h); }
};
using LocalMemory = Owner<LocalMemoryTraits>;

// A DLL loaded by the program, kept for as long as the owner lives.
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
    static void close(Handle h) { ::FreeLibrary(h); }
};
using LoadedModule = Owner<ModuleTraits>;

// The whole screen's device context.
class ScreenDC {
public:
    ScreenDC() : dc_(::GetDC(nullptr)) {}
    ScreenDC(const ScreenDC &) = delete;
    ScreenDC &operator=(const ScreenDC &) = delete;
    ~ScreenDC() {
        if (dc_) ::ReleaseDC(nullptr, dc_);
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// An object selected into a device context, the previous one selected
// back when the owner goes.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject &) = delete;
    SelectedObject &operator=(const SelectedObject &) = delete;
    ~SelectedObject() {
        if (previous_) ::SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A counted COM reference.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;
    ComPtr(ComPtr &&other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr &operator=(ComPtr &&other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    T *get() const { return p_; }
    T *operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new reference.
    T **out() {
        reset();
        return &p_;
    }
    void **out_void() { return reinterpret_cast<void **>(out()); }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    T *p_ = nullptr;
};

// The thread's COM apartment, for as long as the owner lives: single-threaded
// for a thread with windows, whose messages carry the apartment's calls;
// the multithreaded one for a thread without any, which never reads
// messages (nor makes the hidden window a single-threaded one needs).
class ComApartment {
public:
    explicit ComApartment(bool has_windows)
        : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, has_windows ? COINIT_APARTMENTTHREADED
                                                                       : COINIT_MULTITHREADED))) {}
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;
    ~ComApartment() {
        if (initialised_) ::CoUninitialize();
    }

private:
    bool initialised_;
};

} // namespace platform
