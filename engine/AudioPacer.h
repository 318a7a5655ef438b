#pragma once

namespace velorix {

// Told how much audio an output has played. The acquisition board
// implements it to pace file playback by the sound card.
//
// Called on the output's completion thread, once per played buffer, after
// the buffer has been freed for the chain. It may take the chain's lock
// (and push blocks into the chain): the output never calls it from its
// BufferFull, and never waits for it while the chain holds that lock.
class AudioPacer {
public:
    virtual ~AudioPacer() = default;
    // `frames` frames at `rateHz` (512 at 31 250 Hz) were played.
    virtual void Played(int frames, double rateHz) = 0;
};

}  // namespace velorix
