#include "DspInterpCpx.h"

#include <stdexcept>

namespace velorix {

namespace {
int CheckedFactor(int factor) {
    if (factor < 1) throw std::invalid_argument("interpolator: factor must be at least 1");
    return factor;
}
}  // namespace

CDspInterpCpx::CDspInterpCpx(int factor, int inputs, int taps, const double* coefficients)
    : CDspFirCpxReal(inputs, taps, coefficients), factor_(CheckedFactor(factor)) {}

void CDspInterpCpx::Run() {
    CDspConsumer* target = downstream;
    if (target == nullptr) return;
    CDspBuffer* d = target->GetBuffer();
    int left = buffer->Rewind();
    while (left > 0) {
        // Only whole groups of L outputs: a partial group would make the next
        // pass repeat the outputs already written from the same input.
        const int k = d->FreeSpace(left * factor_) / factor_;
        if (k <= 0) break;  // the consumer kept its buffer full: drop the rest
        const int n = k * factor_;
        const std::byte* src = buffer->AdvanceRead(k);
        std::byte* dst = d->AdvanceWrite(n);
        Process(dst, src, n);
        left -= k;
        if (d->IsFull()) {
            target->BufferFull();
            // A consumer that went busy now owns its buffer: touch it no more.
            if (!target->IsReady()) break;
        }
    }
    // The whole block counts as consumed, so Commit keeps the right history.
    if (left > 0) buffer->AdvanceRead(left);
}

}  // namespace velorix
