#pragma once
// The MFPlay engine: the system's media player object renders into the video window itself.
#include <windows.h>
#include <mfplay.h>

#include <string>

class PlayerCB final : public IMFPMediaPlayerCallback {
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    void STDMETHODCALLTYPE OnMediaPlayerEvent(MFP_EVENT_HEADER* header) override;

  private:
    ~PlayerCB() = default;
    LONG refCount_ = 1;
};

extern IMFPMediaPlayer* mfplayPlayer;
extern PlayerCB* mfplayCallback;

void MfplayOpen(const std::u16string& path);

// What OnMediaPlayerEvent does with one event (it catches what this throws).
void HandlePlayerEvent(MFP_EVENT_HEADER* header);
