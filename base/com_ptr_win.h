#pragma once
// Taking over a COM reference the caller already owns. mingw-w64's ComPtr::Attach adds a
// reference of its own, unlike the platform's, so an object handed over with it is never freed.
#include <wrl/client.h>

template <class T>
Microsoft::WRL::ComPtr<T> AdoptReference(T* owned) {
    Microsoft::WRL::ComPtr<T> holder;
    *holder.ReleaseAndGetAddressOf() = owned;
    return holder;
}
