#include "common/Owners.h"

#include "common/Exception.h"

namespace svcgate {

unique_bstr::unique_bstr(std::wstring_view text)
    : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!s_)
        CheckHResult(E_OUTOFMEMORY);
}

unique_bstr& unique_bstr::operator=(unique_bstr&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.s_, nullptr));
    return *this;
}

void unique_bstr::reset(BSTR owned) {
    if (s_)
        SysFreeString(s_);
    s_ = owned;
}

unique_variant unique_variant::adopt(VARIANT& owned) {
    unique_variant result;
    result.v_ = owned;
    VariantInit(&owned);
    return result;
}

unique_variant unique_variant::copy_of(const VARIANT& source) {
    unique_variant result;
    CheckHResult(VariantCopy(&result.v_, const_cast<VARIANT*>(&source)));
    return result;
}

unique_variant::unique_variant(unique_variant&& other) noexcept : v_(other.v_) {
    VariantInit(&other.v_);
}

unique_variant& unique_variant::operator=(unique_variant&& other) noexcept {
    if (this != &other) {
        reset();
        v_ = other.v_;
        VariantInit(&other.v_);
    }
    return *this;
}

void unique_variant::reset() {
    VariantClear(&v_);
    VariantInit(&v_);
}

VARIANT unique_variant::detach() {
    VARIANT result = v_;
    VariantInit(&v_);
    return result;
}

unique_safearray& unique_safearray::operator=(unique_safearray&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.a_, nullptr));
    return *this;
}

void unique_safearray::reset(SAFEARRAY* owned) {
    if (a_)
        SafeArrayDestroy(a_);
    a_ = owned;
}

unique_handle& unique_handle::operator=(unique_handle&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.h_, nullptr));
    return *this;
}

void unique_handle::reset(HANDLE owned) {
    if (*this)
        CloseHandle(h_);
    h_ = owned;
}

unique_hlocal& unique_hlocal::operator=(unique_hlocal&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.p_, nullptr));
    return *this;
}

void unique_hlocal::reset(void* owned) {
    if (p_)
        LocalFree(p_);
    p_ = owned;
}

unique_hwnd& unique_hwnd::operator=(unique_hwnd&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.h_, nullptr));
    return *this;
}

void unique_hwnd::reset(HWND owned) {
    if (h_)
        DestroyWindow(h_);
    h_ = owned;
}

unique_sid& unique_sid::operator=(unique_sid&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.p_, nullptr));
    return *this;
}

void unique_sid::reset(PSID owned) {
    if (p_)
        FreeSid(p_);
    p_ = owned;
}

unique_hcryptprov& unique_hcryptprov::operator=(unique_hcryptprov&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.h_, 0));
    return *this;
}

void unique_hcryptprov::reset(HCRYPTPROV owned) {
    if (h_)
        CryptReleaseContext(h_, 0);
    h_ = owned;
}

unique_hcrypthash& unique_hcrypthash::operator=(unique_hcrypthash&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.h_, 0));
    return *this;
}

void unique_hcrypthash::reset(HCRYPTHASH owned) {
    if (h_)
        CryptDestroyHash(h_);
    h_ = owned;
}

unique_hkey& unique_hkey::operator=(unique_hkey&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.h_, nullptr));
    return *this;
}

void unique_hkey::reset(HKEY owned) {
    if (h_)
        RegCloseKey(h_);
    h_ = owned;
}

} // namespace svcgate
