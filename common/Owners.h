#pragma once
// One owner type for each kind of Windows resource. Nothing outside this file
// frees a BSTR, clears a VARIANT, destroys a SAFEARRAY or releases an interface.

#include <windows.h>
#include <oleauto.h>

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
    std::wstring str() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

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
    VARIANT* addr() { return &v_; }
    VARTYPE vt() const { return V_VT(&v_); }
    bool empty() const { return V_VT(&v_) == VT_EMPTY; }
    // Hands the content to a VARIANT the caller will own.
    VARIANT detach();

private:
    VARIANT v_;
};

// An owned SAFEARRAY.
class unique_safearray {
public:
    unique_safearray() = default;
    explicit unique_safearray(SAFEARRAY* owned) : a_(owned) {}
    unique_safearray(unique_safearray&& other) noexcept : a_(std::exchange(other.a_, nullptr)) {}
    unique_safearray& operator=(unique_safearray&& other) noexcept;
    unique_safearray(const unique_safearray&) = delete;
    unique_safearray& operator=(const unique_safearray&) = delete;
    ~unique_safearray() { reset(); }

    void reset(SAFEARRAY* owned = nullptr);
    SAFEARRAY* get() const { return a_; }
    SAFEARRAY** put() {
        reset();
        return &a_;
    }
    SAFEARRAY* detach() { return std::exchange(a_, nullptr); }

private:
    SAFEARRAY* a_ = nullptr;
};

// An owned kernel handle (files, events, processes).
class unique_handle {
public:
    unique_handle() = default;
    explicit unique_handle(HANDLE owned) : h_(owned) {}
    unique_handle(unique_handle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    unique_handle& operator=(unique_handle&& other) noexcept;
    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    ~unique_handle() { reset(); }

    void reset(HANDLE owned = nullptr);
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_ = nullptr;
};

// Memory the system allocated with LocalAlloc (security descriptors, access lists, messages).
class unique_hlocal {
public:
    unique_hlocal() = default;
    unique_hlocal(unique_hlocal&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    unique_hlocal& operator=(unique_hlocal&& other) noexcept;
    unique_hlocal(const unique_hlocal&) = delete;
    unique_hlocal& operator=(const unique_hlocal&) = delete;
    ~unique_hlocal() { reset(); }

    void reset(void* owned = nullptr);
    void* get() const { return p_; }
    template <class T> T** put() {
        reset();
        return reinterpret_cast<T**>(&p_);
    }

private:
    void* p_ = nullptr;
};

// A window the owner destroys with itself.
class unique_hwnd {
public:
    unique_hwnd() = default;
    explicit unique_hwnd(HWND owned) : h_(owned) {}
    unique_hwnd(unique_hwnd&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    unique_hwnd& operator=(unique_hwnd&& other) noexcept;
    unique_hwnd(const unique_hwnd&) = delete;
    unique_hwnd& operator=(const unique_hwnd&) = delete;
    ~unique_hwnd() { reset(); }

    void reset(HWND owned = nullptr);
    HWND get() const { return h_; }

private:
    HWND h_ = nullptr;
};

// A security identifier built with AllocateAndInitializeSid.
class unique_sid {
public:
    unique_sid() = default;
    unique_sid(unique_sid&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    unique_sid& operator=(unique_sid&& other) noexcept;
    unique_sid(const unique_sid&) = delete;
    unique_sid& operator=(const unique_sid&) = delete;
    ~unique_sid() { reset(); }

    void reset(PSID owned = nullptr);
    PSID get() const { return p_; }
    PSID* put() {
        reset();
        return &p_;
    }

private:
    PSID p_ = nullptr;
};

// A cryptographic provider context.
class unique_hcryptprov {
public:
    unique_hcryptprov() = default;
    unique_hcryptprov(unique_hcryptprov&& other) noexcept : h_(std::exchange(other.h_, 0)) {}
    unique_hcryptprov& operator=(unique_hcryptprov&& other) noexcept;
    unique_hcryptprov(const unique_hcryptprov&) = delete;
    unique_hcryptprov& operator=(const unique_hcryptprov&) = delete;
    ~unique_hcryptprov() { reset(); }

    void reset(HCRYPTPROV owned = 0);
    HCRYPTPROV get() const { return h_; }
    HCRYPTPROV* put() {
        reset();
        return &h_;
    }

private:
    HCRYPTPROV h_ = 0;
};

// A hash object of a cryptographic provider; destroy it before its provider.
class unique_hcrypthash {
public:
    unique_hcrypthash() = default;
    unique_hcrypthash(unique_hcrypthash&& other) noexcept : h_(std::exchange(other.h_, 0)) {}
    unique_hcrypthash& operator=(unique_hcrypthash&& other) noexcept;
    unique_hcrypthash(const unique_hcrypthash&) = delete;
    unique_hcrypthash& operator=(const unique_hcrypthash&) = delete;
    ~unique_hcrypthash() { reset(); }

    void reset(HCRYPTHASH owned = 0);
    HCRYPTHASH get() const { return h_; }
    HCRYPTHASH* put() {
        reset();
        return &h_;
    }

private:
    HCRYPTHASH h_ = 0;
};

// An open registry key.
class unique_hkey {
public:
    unique_hkey() = default;
    explicit unique_hkey(HKEY owned) : h_(owned) {}
    unique_hkey(unique_hkey&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    unique_hkey& operator=(unique_hkey&& other) noexcept;
    unique_hkey(const unique_hkey&) = delete;
    unique_hkey& operator=(const unique_hkey&) = delete;
    ~unique_hkey() { reset(); }

    void reset(HKEY owned = nullptr);
    HKEY get() const { return h_; }
    HKEY* put() {
        reset();
        return &h_;
    }

private:
    HKEY h_ = nullptr;
};

} // namespace svcgate
