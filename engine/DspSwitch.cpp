#include "DspSwitch.h"

namespace velorix {

CDspSwitch::CDspSwitch(int type, int outputs, Notifier* notifier)
    : CDspBlock(type, 1, 0), outputs_(outputs > 0 ? outputs : 0, nullptr), notifier_(notifier) {}

void CDspSwitch::SetOutput(int index, CDspConsumer* c) {
    if (index < 0 || index >= GetOutputCount()) return;
    outputs_[index] = c;
    if (c != nullptr) c->SetLock(lock);
}

void CDspSwitch::Select(int index) {
    if (index < 0 || index >= GetOutputCount() || outputs_[index] == nullptr) return;
    DspLockGuard guard(lock);
    if (index == current_) return;
    outputs_[index]->GetBuffer()->Clear();
    current_ = index;
    downstream = outputs_[index];
    warned_ = false;
    Restart();
}

CDspBuffer* CDspSwitch::GetBuffer() {
    if (current_ >= 0) return outputs_[current_]->GetBuffer();
    if (!warned_) {
        warned_ = true;
        if (notifier_ != nullptr)
            notifier_->Notify("DspSwitch", "Null Consumer", Notifier::Icon::None,
                              Notifier::Buttons::Ok);
    }
    // Unrouted data lands in the switch's own one-element buffer and is dropped.
    return buffer.get();
}

void CDspSwitch::BufferFull() {
    if (current_ < 0) {
        buffer->Clear();
        return;
    }
    CDspConsumer* out = outputs_[current_];
    if (out->IsReady()) out->BufferFull();
}

bool CDspSwitch::ConsumeBlock(CDspBuffer& src) {
    // Unrouted data takes the copy path, which tells of it.
    return current_ >= 0 && outputs_[current_]->ConsumeBlock(src);
}

int CDspSwitch::IsReady() {
    return current_ < 0 ? 1 : outputs_[current_]->IsReady();
}

}  // namespace velorix
