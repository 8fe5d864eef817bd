#pragma once
// COM for the calling thread for one scope; a failure to initialise is ignored (the thread may
// already be in another apartment) and then nothing is undone.
#include <objbase.h>

class ComApartment {
  public:
    explicit ComApartment(DWORD model) : initialised_(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
    ~ComApartment() {
        if (initialised_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialised_;
};

class MultithreadedApartment : public ComApartment {
  public:
    MultithreadedApartment() : ComApartment(COINIT_MULTITHREADED) {}
};
