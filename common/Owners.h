#pragma once
// One owner type for each kind of Windows resource. Nothing outside this file
// frees a BSTR, clears a VARIANT, destroys a SAFEARRAY or releases an interface.

// windows.h brings Winsock 1.1, enough to name and close a socket; a user of
// the Winsock 2 calls includes winsock2.h before any of these.
#include <windows.h>
#include <oleauto.h>
#include <winhttp.h>

#include <string>
#include <string_view>
#include <utility>

namespace svcgate {

// An owned COM interface pointer.
template <class T> class com_ptr {
public:
    com_ptr() = default;
    // Takes over a reference the caller already holds.
    explicit com_ptr(T* owned) : p_(owned) {}
    com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ptr& operator=(com_ptr&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    ~com_ptr() { reset(); }

    // Adds a reference of its own to a pointer somebody else owns.
    static com_ptr share(T* borrowed) {
        if (borrowed)
            borrowed->AddRef();
        return com_ptr(borrowed);
    }
    com_ptr share() const { return share(p_); }

    void reset(T* owned = nullptr) {
        if (p_)
            p_->Release();
        p_ = owned;
    }
    T* detach() { return std::exchange(p_, nullptr); }
    T* get() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    template <class U> com_ptr<U> query() const {
        com_ptr<U> result;
        if (p_)
            p_->QueryInterface(__uuidof(U), result.put_void());
        return result;
    }

private:
    T* p_ = nullptr;
};

// An owned BSTR.
class unique_bstr {
public:
    unique_bstr() = default;
    explicit unique_bstr(BSTR owned) : s_(owned) {}
    explicit unique_bstr(std::wstring_view text);
    // A literal is copied, never adopted.
    explicit unique_bstr(const wchar_t* text) : unique_bstr(std::wstring_view(text)) {}
    unique_bstr(unique_bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    unique_bstr& operator=(unique_bstr&& other) noexcept;
    unique_bstr(const unique_bstr&) = delete;
    unique_bstr& operator=(const unique_bstr&) = delete;
    ~unique_bstr() { reset(); }

    void reset(BSTR owned = nullptr);
    BSTR get() const { return s_; }
    BSTR* put() {
        reset();
        return &s_;
    }
    BSTR detach() { return std::exchange(s_, nullptr); }
    // For an in-out argument: the callee may free the text and store another.
    BSTR* addressof() { return &s_; }
    std::wstring str() const { return text_of(s_); }
    // The text of a BSTR someone else owns, embedded NULs included.
    static std::wstring text_of(BSTR text) {
        return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    }

private:
    BSTR s_ = nullptr;
};

// An owned VARIANT; moving leaves the source empty.
class unique_variant {
public:
    unique_variant() { VariantInit(&v_); }
    // Takes over the content of a VARIANT the caller owned; the source is left empty.
    static unique_variant adopt(VARIANT& owned);
    // A deep copy, as VariantCopy makes it.
    static unique_variant copy_of(const VARIANT& source);
    unique_variant(unique_variant&& other) noexcept;
    unique_variant& operator=(unique_variant&& other) noexcept;
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    ~unique_variant() { reset(); }

    unique_variant copy() const { return copy_of(v_); }
    void reset();
    VARIANT* put() {
        reset();
        return &v_;
    }
    VARIANT& get() { return v_; }
    const VARIANT& get() const { return v_; }
    // The content in place, for reading a field or an in-out argument; unlike
    // put(), it keeps what is there.
    VARIANT* addressof() { return &v_; }
    VARTYPE vt() const { return V_VT(&v_); }
    bool empty() const { return V_VT(&v_) == VT_EMPTY; }
    // Hands the content to a VARIANT the caller will own.
    VARIANT detach();

private:
    VARIANT v_;
};

// The owner of a handle-like resource. Traits name its type, its empty value,
// which values hold something, and how it is freed.
template <class Traits> class unique_any {
public:
    using type = typename Traits::type;

    unique_any() = default;
    explicit unique_any(type owned) : h_(owned) {}
    unique_any(unique_any&& other) noexcept : h_(std::exchange(other.h_, Traits::empty)) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.h_, Traits::empty));
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    ~unique_any() { reset(); }

    void reset(type owned = Traits::empty) {
        if (Traits::valid(h_))
            Traits::close(h_);
        h_ = owned;
    }
    type get() const { return h_; }
    type* put() {
        reset();
        return &h_;
    }
    // For an out-parameter that the platform declares with a more precise pointer type.
    template <class P> P** put_as() {
        reset();
        return reinterpret_cast<P**>(&h_);
    }
    type detach() { return std::exchange(h_, Traits::empty); }
    explicit operator bool() const { return Traits::valid(h_); }

private:
    type h_ = Traits::empty;
};

template <class T, auto Close> struct resource_traits {
    using type = T;
    static constexpr T empty{};
    static bool valid(T value) { return value != empty; }
    static void close(T value) { Close(value); }
};

struct handle_traits : resource_traits<HANDLE, CloseHandle> {
    static bool valid(HANDLE value) { return value && value != INVALID_HANDLE_VALUE; }
};

// Zero is a valid socket; only INVALID_SOCKET holds nothing.
struct socket_traits : resource_traits<SOCKET, closesocket> {
    static constexpr SOCKET empty = INVALID_SOCKET;
    static bool valid(SOCKET value) { return value != INVALID_SOCKET; }
};

inline void ReleaseCryptContext(HCRYPTPROV provider) {
    CryptReleaseContext(provider, 0);
}

inline void CloseCertStore(HCERTSTORE store) {
    CertCloseStore(store, 0);
}

inline void CleanupWinsock(bool) {
    WSACleanup();
}

inline void UninitializeCom(bool) {
    CoUninitialize();
}

using unique_safearray = unique_any<resource_traits<SAFEARRAY*, SafeArrayDestroy>>;
// Kernel handles: files, events, processes.
using unique_handle = unique_any<handle_traits>;
// A mutex this thread owns, released when the owner goes.
using unique_mutex_ownership = unique_any<resource_traits<HANDLE, ReleaseMutex>>;
// Memory the system allocated with LocalAlloc: security descriptors, access lists, messages.
using unique_hlocal = unique_any<resource_traits<HLOCAL, LocalFree>>;
// A window the owner destroys with itself.
using unique_hwnd = unique_any<resource_traits<HWND, DestroyWindow>>;
// A security identifier built with AllocateAndInitializeSid.
using unique_sid = unique_any<resource_traits<PSID, FreeSid>>;
using unique_hcryptprov = unique_any<resource_traits<HCRYPTPROV, ReleaseCryptContext>>;
// A hash object of a cryptographic provider; destroy it before its provider.
using unique_hcrypthash = unique_any<resource_traits<HCRYPTHASH, CryptDestroyHash>>;
// A key of a cryptographic provider; destroy it before its provider.
using unique_hcryptkey = unique_any<resource_traits<HCRYPTKEY, CryptDestroyKey>>;
using unique_hcertstore = unique_any<resource_traits<HCERTSTORE, CloseCertStore>>;
// A certificate context; close it before the store it came from.
using unique_certcontext = unique_any<resource_traits<PCCERT_CONTEXT, CertFreeCertificateContext>>;
using unique_hmodule = unique_any<resource_traits<HMODULE, FreeLibrary>>;
using unique_hkey = unique_any<resource_traits<HKEY, RegCloseKey>>;
using unique_socket = unique_any<socket_traits>;
// A use of Winsock: true once WSAStartup succeeded, ended by WSACleanup.
using unique_winsock = unique_any<resource_traits<bool, CleanupWinsock>>;
// A thread's use of COM: true once CoInitializeEx succeeded (S_FALSE included),
// ended by CoUninitialize on the same thread.
using unique_cominit = unique_any<resource_traits<bool, UninitializeCom>>;
// A WinHTTP session, connection or request; close a request before its connection.
using unique_hinternet = unique_any<resource_traits<HINTERNET, WinHttpCloseHandle>>;
// Memory the system allocated with GlobalAlloc: the texts of a proxy configuration.
using unique_hglobal = unique_any<resource_traits<HGLOBAL, GlobalFree>>;
using unique_hmenu = unique_any<resource_traits<HMENU, DestroyMenu>>;
using unique_hhook = unique_any<resource_traits<HHOOK, UnhookWindowsHookEx>>;
// A GDI object of our own (brush, font, bitmap); never one a window still selects.
template <class T> using unique_gdi = unique_any<resource_traits<T, DeleteObject>>;
using unique_hbrush = unique_gdi<HBRUSH>;
using unique_hfont = unique_gdi<HFONT>;
using unique_hbitmap = unique_gdi<HBITMAP>;
// A device context taken with GetDC, handed back to the window it came from.
struct window_dc_traits {
    using type = std::pair<HWND, HDC>;
    static constexpr type empty{};
    static bool valid(type value) { return value.second != nullptr; }
    static void close(type value) { ReleaseDC(value.first, value.second); }
};
using unique_window_dc = unique_any<window_dc_traits>;
// A memory device context made with CreateCompatibleDC.
using unique_hdc = unique_any<resource_traits<HDC, DeleteDC>>;

} // namespace svcgate
