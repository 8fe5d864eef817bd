#pragma once
// The lookup cache: source-literal address -> converted translation. Entries are never removed or
// replaced and the map is node-based, so a returned text stays valid and in place for good.
// Lock is any type with lock/unlock and lock_shared/unlock_shared.
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>

template <typename Char, typename Lock>
class TextCache {
  public:
    using Text = std::basic_string<Char>;

    // The cached text for the source, or null.
    const Char* Find(const Char* source) {
        std::shared_lock<Lock> guard(lock_);
        const auto it = map_.find(source);
        return it == map_.end() ? nullptr : it->second.c_str();
    }

    // Stores the text made by convert() unless another thread stored one first; returns the
    // stored text. The conversion runs under the exclusive lock, once per source.
    template <typename Convert>
    const Char* Insert(const Char* source, Convert&& convert) {
        std::unique_lock<Lock> guard(lock_);
        auto it = map_.find(source);
        if (it == map_.end())
            it = map_.emplace(source, convert()).first;
        return it->second.c_str();
    }

  private:
    Lock lock_;
    std::unordered_map<const Char*, Text> map_;
};
