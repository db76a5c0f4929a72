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

} // namespace svcgate
