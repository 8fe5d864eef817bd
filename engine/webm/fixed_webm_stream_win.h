#pragma once
// FixedWebmStream presents a WebM file without Cues or Duration to Media Foundation as a seekable
// file that has both: a repaired head built in memory, then the file's bytes from the first
// cluster on, unchanged. Nothing is written to disk.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/webm/scan_thread_win.h"

class FixedWebmStream final : public IMFByteStream, public IMFAttributes {
  public:
    // IUnknown (both faces)
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IMFByteStream
    STDMETHODIMP GetCapabilities(DWORD* capabilities) override;
    STDMETHODIMP GetLength(QWORD* length) override;
    STDMETHODIMP SetLength(QWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetCurrentPosition(QWORD* position) override;
    STDMETHODIMP SetCurrentPosition(QWORD position) override;
    STDMETHODIMP IsEndOfStream(BOOL* endOfStream) override;
    STDMETHODIMP Read(BYTE* buffer, ULONG count, ULONG* read) override;
    STDMETHODIMP BeginRead(BYTE* buffer, ULONG count, IMFAsyncCallback* callback, IUnknown* state) override;
    STDMETHODIMP EndRead(IMFAsyncResult* result, ULONG* read) override;
    STDMETHODIMP Write(const BYTE*, ULONG, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP BeginWrite(const BYTE*, ULONG, IMFAsyncCallback*, IUnknown*) override { return E_NOTIMPL; }
    STDMETHODIMP EndWrite(IMFAsyncResult*, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP Seek(MFBYTESTREAM_SEEK_ORIGIN origin, LONGLONG offset, DWORD flags, QWORD* position) override;
    STDMETHODIMP Flush() override { return S_OK; }
    STDMETHODIMP Close() override;
    // IMFAttributes: passed to the inner store
    STDMETHODIMP GetItem(REFGUID k, PROPVARIANT* v) override { return attributes_->GetItem(k, v); }
    STDMETHODIMP GetItemType(REFGUID k, MF_ATTRIBUTE_TYPE* t) override { return attributes_->GetItemType(k, t); }
    STDMETHODIMP CompareItem(REFGUID k, REFPROPVARIANT v, BOOL* r) override { return attributes_->CompareItem(k, v, r); }
    STDMETHODIMP Compare(IMFAttributes* a, MF_ATTRIBUTES_MATCH_TYPE m, BOOL* r) override {
        return attributes_->Compare(a, m, r);
    }
    STDMETHODIMP GetUINT32(REFGUID k, UINT32* v) override { return attributes_->GetUINT32(k, v); }
    STDMETHODIMP GetUINT64(REFGUID k, UINT64* v) override { return attributes_->GetUINT64(k, v); }
    STDMETHODIMP GetDouble(REFGUID k, double* v) override { return attributes_->GetDouble(k, v); }
    STDMETHODIMP GetGUID(REFGUID k, GUID* v) override { return attributes_->GetGUID(k, v); }
    STDMETHODIMP GetStringLength(REFGUID k, UINT32* n) override { return attributes_->GetStringLength(k, n); }
    STDMETHODIMP GetString(REFGUID k, LPWSTR v, UINT32 size, UINT32* n) override {
        return attributes_->GetString(k, v, size, n);
    }
    STDMETHODIMP GetAllocatedString(REFGUID k, LPWSTR* v, UINT32* n) override {
        return attributes_->GetAllocatedString(k, v, n);
    }
    STDMETHODIMP GetBlobSize(REFGUID k, UINT32* n) override { return attributes_->GetBlobSize(k, n); }
    STDMETHODIMP GetBlob(REFGUID k, UINT8* b, UINT32 size, UINT32* n) override {
        return attributes_->GetBlob(k, b, size, n);
    }
    STDMETHODIMP GetAllocatedBlob(REFGUID k, UINT8** b, UINT32* n) override {
        return attributes_->GetAllocatedBlob(k, b, n);
    }
    STDMETHODIMP GetUnknown(REFGUID k, REFIID riid, LPVOID* v) override { return attributes_->GetUnknown(k, riid, v); }
    STDMETHODIMP SetItem(REFGUID k, REFPROPVARIANT v) override { return attributes_->SetItem(k, v); }
    STDMETHODIMP DeleteItem(REFGUID k) override { return attributes_->DeleteItem(k); }
    STDMETHODIMP DeleteAllItems() override { return attributes_->DeleteAllItems(); }
    STDMETHODIMP SetUINT32(REFGUID k, UINT32 v) override { return attributes_->SetUINT32(k, v); }
    STDMETHODIMP SetUINT64(REFGUID k, UINT64 v) override { return attributes_->SetUINT64(k, v); }
    STDMETHODIMP SetDouble(REFGUID k, double v) override { return attributes_->SetDouble(k, v); }
    STDMETHODIMP SetGUID(REFGUID k, REFGUID v) override { return attributes_->SetGUID(k, v); }
    STDMETHODIMP SetString(REFGUID k, LPCWSTR v) override { return attributes_->SetString(k, v); }
    STDMETHODIMP SetBlob(REFGUID k, const UINT8* b, UINT32 size) override { return attributes_->SetBlob(k, b, size); }
    STDMETHODIMP SetUnknown(REFGUID k, IUnknown* v) override { return attributes_->SetUnknown(k, v); }
    STDMETHODIMP LockStore() override { return attributes_->LockStore(); }
    STDMETHODIMP UnlockStore() override { return attributes_->UnlockStore(); }
    STDMETHODIMP GetCount(UINT32* n) override { return attributes_->GetCount(n); }
    STDMETHODIMP GetItemByIndex(UINT32 i, GUID* k, PROPVARIANT* v) override { return attributes_->GetItemByIndex(i, k, v); }
    STDMETHODIMP CopyAllItems(IMFAttributes* d) override { return attributes_->CopyAllItems(d); }

    // The asynchronous-read callback, embedded in the stream.
    class Worker final : public IMFAsyncCallback {
      public:
        explicit Worker(FixedWebmStream* owner) : owner_(owner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
        STDMETHODIMP_(ULONG) AddRef() override { return owner_ ? owner_->AddRef() : 1; }
        STDMETHODIMP_(ULONG) Release() override { return owner_ ? owner_->Release() : 1; }
        STDMETHODIMP GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }
        STDMETHODIMP Invoke(IMFAsyncResult* workItem) override;

      private:
        FixedWebmStream* owner_;
    };

    // One asynchronous read: where to, how much, and how much arrived.
    class ReadOp final : public IUnknown {
      public:
        ReadOp(BYTE* buffer, ULONG count) : buffer(buffer), count(count) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
        STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refCount_); }
        STDMETHODIMP_(ULONG) Release() override;
        BYTE* buffer;
        ULONG count;
        ULONG bytesRead = 0;

      private:
        std::atomic<LONG> refCount_{1};
    };

  private:
    friend HRESULT CreateFixedWebmStream(const std::u16string& path, ScanRecord& record, IMFByteStream** stream);
    FixedWebmStream(HANDLE file, std::vector<std::uint8_t> head, std::uint64_t tailStart, std::uint64_t tailLength);
    ~FixedWebmStream();

    Worker worker_;
    std::atomic<LONG> refCount_{1};
    HANDLE file_;
    std::vector<std::uint8_t> head_;
    std::uint64_t tailStart_;
    std::uint64_t tailLength_;
    std::uint64_t position_ = 0;
    IMFAttributes* attributes_ = nullptr;
    CRITICAL_SECTION lock_;
};

// The repaired stream for a scanned file, over the head the scan thread built (taken from the
// record); any failure leaves nothing behind.
HRESULT CreateFixedWebmStream(const std::u16string& path, ScanRecord& record, IMFByteStream** stream);
