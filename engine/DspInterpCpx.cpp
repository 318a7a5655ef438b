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
    const int inputs = buffer->Rewind();
    const int total = inputs * factor_;
    // Outputs are counted singly, so a downstream with room for a number of
    // outputs that is not a multiple of L gets exactly that many, and the
    // group left half-done is finished in the next piece (startPhase_).
    int produced = 0;
    while (produced < total) {
        const int n = d->FreeSpace(total - produced);
        if (n <= 0) break;  // the consumer kept its buffer full: drop the rest
        const int firstInput = produced / factor_;
        const std::byte* src = buffer->AdvanceRead((produced + n) / factor_ - firstInput);
        std::byte* dst = d->AdvanceWrite(n);
        startPhase_ = produced % factor_;
        Process(dst, src, n);
        startPhase_ = 0;
        produced += n;
        if (d->IsFull()) {
            target->BufferFull();
            // A consumer that went busy now owns its buffer: touch it no more.
            if (!target->IsReady()) break;
        }
    }
    // The whole block counts as consumed, so Commit keeps the right history.
    const int consumed = produced / factor_;
    if (consumed < inputs) buffer->AdvanceRead(inputs - consumed);
}

}  // namespace velorix
