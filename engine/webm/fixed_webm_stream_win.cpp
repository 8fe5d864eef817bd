#include "engine/webm/fixed_webm_stream_win.h"

#include <algorithm>
#include <new>

#include "base/critical_section_win.h"
#include "base/wide_win.h"
#include "engine/webm/repair_header.h"
#include "engine/webm/win_file_source_win.h"

namespace {

constexpr DWORD kCapabilities = MFBYTESTREAM_IS_READABLE | MFBYTESTREAM_IS_SEEKABLE | MFBYTESTREAM_DOES_NOT_USE_NETWORK;

} // namespace

FixedWebmStream::FixedWebmStream(HANDLE file, std::vector<std::uint8_t> head, std::uint64_t tailStart,
                                 std::uint64_t tailLength)
    : worker_(this), file_(file), head_(std::move(head)), tailStart_(tailStart), tailLength_(tailLength) {
    InitializeCriticalSection(&lock_);
}

FixedWebmStream::~FixedWebmStream() {
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    if (attributes_)
        attributes_->Release();
    DeleteCriticalSection(&lock_);
}

STDMETHODIMP FixedWebmStream::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMFByteStream) {
        *object = static_cast<IMFByteStream*>(this);
    } else if (riid == IID_IMFAttributes) {
        *object = static_cast<IMFAttributes*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) FixedWebmStream::AddRef() { return static_cast<ULONG>(++refCount_); }

STDMETHODIMP_(ULONG) FixedWebmStream::Release() {
    const LONG count = --refCount_;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP FixedWebmStream::GetCapabilities(DWORD* capabilities) {
    if (capabilities == nullptr)
        return E_POINTER;
    *capabilities = kCapabilities;
    return S_OK;
}

STDMETHODIMP FixedWebmStream::GetLength(QWORD* length) {
    if (length == nullptr)
        return E_POINTER;
    *length = head_.size() + tailLength_;
    return S_OK;
}

STDMETHODIMP FixedWebmStream::GetCurrentPosition(QWORD* position) {
    if (position == nullptr)
        return E_POINTER;
    CriticalSectionLock guard(lock_);
    *position = position_;
    return S_OK;
}

STDMETHODIMP FixedWebmStream::SetCurrentPosition(QWORD position) {
    CriticalSectionLock guard(lock_);
    position_ = position;
    return S_OK;
}

STDMETHODIMP FixedWebmStream::IsEndOfStream(BOOL* endOfStream) {
    if (endOfStream == nullptr)
        return E_POINTER;
    CriticalSectionLock guard(lock_);
    *endOfStream = position_ >= head_.size() + tailLength_;
    return S_OK;
}

// The file pointer move and the read happen as one step under the lock.
STDMETHODIMP FixedWebmStream::Read(BYTE* buffer, ULONG count, ULONG* read) {
    if (buffer == nullptr || read == nullptr)
        return E_POINTER;
    CriticalSectionLock guard(lock_);
    *read = 0;
    const PresentedRead plan = PlanPresentedRead(head_.size(), tailStart_, tailLength_, position_, count);
    if (plan.headBytes > 0)
        std::copy_n(head_.begin() + static_cast<std::ptrdiff_t>(position_), plan.headBytes, buffer);
    ULONG total = static_cast<ULONG>(plan.headBytes);
    if (plan.tailBytes > 0) {
        if (file_ == INVALID_HANDLE_VALUE)
            return E_HANDLE;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(plan.fileOffset);
        DWORD got = 0;
        if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) ||
            !ReadFile(file_, buffer + plan.headBytes, static_cast<DWORD>(plan.tailBytes), &got, nullptr))
            return HRESULT_FROM_WIN32(GetLastError());
        total += got;
    }
    *read = total;
    position_ += total;
    return S_OK;
}

STDMETHODIMP FixedWebmStream::BeginRead(BYTE* buffer, ULONG count, IMFAsyncCallback* callback, IUnknown* state) {
    if (buffer == nullptr || callback == nullptr)
        return E_POINTER;
    ReadOp* op = new (std::nothrow) ReadOp(buffer, count);
    if (op == nullptr)
        return E_OUTOFMEMORY;
    IMFAsyncResult* result = nullptr;
    HRESULT hr = MFCreateAsyncResult(op, callback, state, &result);
    op->Release();
    if (FAILED(hr))
        return hr;
    AddRef(); // balanced by the worker
    hr = MFPutWorkItem2(MFASYNC_CALLBACK_QUEUE_STANDARD, 0, &worker_, result);
    result->Release();
    if (FAILED(hr))
        Release();
    return hr;
}

STDMETHODIMP FixedWebmStream::EndRead(IMFAsyncResult* result, ULONG* read) {
    if (result == nullptr || read == nullptr)
        return E_POINTER;
    *read = 0;
    IUnknown* object = nullptr;
    if (SUCCEEDED(result->GetObject(&object)) && object) {
        *read = static_cast<ReadOp*>(object)->bytesRead;
        object->Release();
    }
    return result->GetStatus();
}

STDMETHODIMP FixedWebmStream::Seek(MFBYTESTREAM_SEEK_ORIGIN origin, LONGLONG offset, DWORD, QWORD* position) {
    CriticalSectionLock guard(lock_);
    LONGLONG target = offset;
    if (origin == msoCurrent)
        target += static_cast<LONGLONG>(position_);
    position_ = target < 0 ? 0 : static_cast<QWORD>(target);
    if (position)
        *position = position_;
    return S_OK;
}

STDMETHODIMP FixedWebmStream::Close() {
    CriticalSectionLock guard(lock_);
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    return S_OK;
}

STDMETHODIMP FixedWebmStream::Worker::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMFAsyncCallback) {
        *object = static_cast<IMFAsyncCallback*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP FixedWebmStream::Worker::Invoke(IMFAsyncResult* workItem) {
    IMFAsyncResult* caller = nullptr;
    IUnknown* state = workItem ? workItem->GetStateNoAddRef() : nullptr;
    if (state == nullptr || FAILED(state->QueryInterface(IID_IMFAsyncResult, reinterpret_cast<void**>(&caller)))) {
        owner_->Release();
        return S_OK;
    }
    IUnknown* object = nullptr;
    HRESULT status = E_FAIL;
    if (SUCCEEDED(caller->GetObject(&object)) && object) {
        auto* op = static_cast<ReadOp*>(object);
        status = owner_->Read(op->buffer, op->count, &op->bytesRead);
    }
    caller->SetStatus(status);
    MFInvokeCallback(caller);
    if (object)
        object->Release();
    owner_->Release();
    caller->Release();
    return S_OK;
}

STDMETHODIMP FixedWebmStream::ReadOp::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FixedWebmStream::ReadOp::Release() {
    const LONG count = --refCount_;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

namespace {

// The tail ends where the head says, or, for a file that is still growing and had nothing
// stale at its end, wherever the file ends now.
std::uint64_t TailLength(const RepairHead& head, std::uint64_t scannedSize, std::uint64_t sizeNow) {
    const std::uint64_t end = head.tailEnd >= scannedSize ? sizeNow : std::min(head.tailEnd, sizeNow);
    return end > head.tailStart ? end - head.tailStart : 0;
}

} // namespace

HRESULT CreateFixedWebmStream(const std::u16string& path, ScanRecord& record, IMFByteStream** stream) {
    if (stream == nullptr)
        return E_POINTER;
    *stream = nullptr;
    if (!record.head)
        return E_FAIL; // the scan thread could not build it
    HANDLE file = OpenForScan(Wide(path));
    if (file == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());
    const std::uint64_t tailLength = TailLength(*record.head, record.scan.fileSize, WinFileSource(file).Size());
    auto* created = new (std::nothrow)
        FixedWebmStream(file, std::move(record.head->bytes), record.head->tailStart, tailLength);
    record.head.reset();
    if (created == nullptr) {
        CloseHandle(file);
        return E_OUTOFMEMORY;
    }
    if (FAILED(MFCreateAttributes(&created->attributes_, 4))) {
        created->Release();
        return E_FAIL;
    }
    created->attributes_->SetString(MF_BYTESTREAM_ORIGIN_NAME, Wide(RepairOriginName(path)));
    created->attributes_->SetString(MF_BYTESTREAM_CONTENT_TYPE, L"video/webm");
    *stream = created;
    return S_OK;
}
