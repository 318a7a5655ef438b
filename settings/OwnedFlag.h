#pragma once

#include <atomic>

namespace velorix {

// A run-time flag of the settings record that any thread may read and only
// its owner writes: whoever else needs it reads it, and asks the owner to
// change it. `Owner` is a class name only; the record depends on nothing.
template <typename T, typename Owner>
class OwnedFlag {
public:
    T load() const { return value_.load(); }

private:
    friend Owner;
    void store(T value) { value_.store(value); }

    std::atomic<T> value_{};
};

}  // namespace velorix
