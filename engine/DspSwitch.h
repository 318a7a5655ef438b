#pragma once

#include <vector>

#include "DspBlock.h"
#include "Notifier.h"

namespace velorix {

// Routes a stream to one of N consumers chosen at run time. The upstream
// writes straight into the selected consumer's buffer, so the switch costs
// nothing per sample. Outputs may merge again further down.
class CDspSwitch : public CDspBlock {
public:
    // `notifier` (not owned) hears of data sent with no output selected,
    // once per selection; null: nobody is told.
    CDspSwitch(int type, int outputs, Notifier* notifier = nullptr);

    void Connect(CDspConsumer*) override {}
    int GetOutputType() override { return buffer->Type(); }
    void Process(void*, const void*, int) override {}
    // Selects output `index` under the segment lock. Selecting the current
    // output changes nothing; a new one starts empty and learns the rate.
    virtual void Select(int index);

    CDspBuffer* GetBuffer() override;
    void BufferFull() override;
    bool ConsumeBlock(CDspBuffer& src) override;
    // Follows the selected output, so the upstream drops its block instead
    // of writing into a buffer that a busy consumer still owns.
    int IsReady() override;
    std::string& GetName(std::string& name) override { return name = "CDspSwitch"; }

    // Attaches consumer `c` as output `index` (0 … outputs − 1).
    void SetOutput(int index, CDspConsumer* c);
    int GetCurrentOutput() const { return current_; }
    int GetOutputCount() const { return static_cast<int>(outputs_.size()); }

private:
    std::vector<CDspConsumer*> outputs_;
    int current_ = -1;
    Notifier* notifier_;
    bool warned_ = false;  // one notice per unrouted spell, not one per block
};

}  // namespace velorix
