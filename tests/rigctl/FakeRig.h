#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "RigControl.h"
#include "SettingsKeys.h"

namespace velorix::test {

// A rig with the receiver's default filters that keeps what it is told and
// logs every change ("tune 7000000", "mode 2", "filter 4"). Tunes within
// 0-40 MHz only. The level is the test's.
class FakeRig : public RigControl {
public:
    FakeRig() {
        for (int m = 0; m < kModeCount; ++m)
            filters[static_cast<std::size_t>(m)] = DefaultFilterIndex(m);
    }

    std::int64_t TunedHz() const override { return hz; }
    bool SetTunedHz(std::int64_t h) override {
        if (h < 0 || h > 40000000) return false;
        hz = h;
        changes.push_back("tune " + std::to_string(h));
        return true;
    }
    int Mode() const override { return mode; }
    int Filter() const override { return filters[static_cast<std::size_t>(mode)]; }
    int FilterWidthHz(int m, int f) const override { return DefaultFilterWidthHz(m, f); }
    int DefaultFilter(int m) const override { return DefaultFilterIndex(m); }
    void SelectMode(int m) override {
        mode = m;
        changes.push_back("mode " + std::to_string(m));
    }
    void SelectFilter(int f) override {
        filters[static_cast<std::size_t>(mode)] = f;
        changes.push_back("filter " + std::to_string(f));
    }
    int LevelTenthsDbm() const override { return levelTenths; }

    std::int64_t hz = 14150000;
    int mode = 4;  // USB
    std::array<int, kModeCount> filters{};
    int levelTenths = -534;
    std::vector<std::string> changes;
};

}  // namespace velorix::test
