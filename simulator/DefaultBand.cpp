#include "DefaultBand.h"

namespace velorix::sim {

const std::string& DefaultBandText() {
    static const std::string text = R"(# The virtual receiver's built-in band.
noise density=-140
impulses rate=4 level=-60 width=3

# 20 m amateur band: SSB around the default 14 150 kHz, CW low, RTTY near 14 080 kHz.
# The station on 14 150 kHz is what the receiver plays at its default settings
# (USB, the dial on the suppressed carrier: its voice lands 300-2700 Hz above).
station freq=14150000 mode=USB level=-64 audio=voice
station freq=14130000 mode=USB level=-86 audio=voice
station freq=14175000 mode=USB level=-73 audio=voice
station freq=14195000 mode=USB level=-68 audio=voice fading=10
station freq=14212000 mode=USB level=-92 audio=voice
station freq=14245000 mode=USB level=-80 audio=voice fading=14
station freq=14283000 mode=USB level=-97 audio=voice
station freq=14012000 mode=CW level=-88 text="CQ CQ CQ DE VIRTUAL K" wpm=22
station freq=14035000 mode=CW level=-80 text="CQ TEST DE VIRTUAL VIRTUAL TEST" wpm=18
station freq=14058000 mode=CW level=-93 text="CQ DX CQ DX DE VIRTUAL K" wpm=28
station freq=14083000 mode=RTTY level=-80 text="RYRYRY CQ CQ DE VIRTUAL" baud=45.45 shift=170

# 40 m and 80 m amateur bands.
station freq=7010000 mode=CW level=-84 text="CQ CQ DE VIRTUAL K" wpm=16
station freq=7025000 mode=CW level=-78 text="CQ CQ CQ DE VIRTUAL K" wpm=18
station freq=7033000 mode=CW level=-95 text="QRL? CQ DE VIRTUAL" wpm=25
station freq=7040000 mode=RTTY level=-90 text="CQ CQ CQ DE VIRTUAL PSE K" baud=45.45 shift=170
station freq=7150000 mode=LSB level=-70 audio=voice fading=9
station freq=7180000 mode=LSB level=-82 audio=voice
station freq=3700000 mode=LSB level=-75 audio=voice

# Broadcasters: 49, 41, 31, 25 and 19 m.
station freq=5960000 mode=AM level=-55 audio=music depth=0.8
station freq=6005000 mode=AM level=-62 audio=voice depth=0.7
station freq=6070000 mode=AM level=-50 audio=music depth=0.8 fading=12
station freq=6160000 mode=AM level=-70 audio=voice depth=0.7
station freq=7245000 mode=AM level=-60 audio=music depth=0.8
station freq=7325000 mode=AM level=-52 audio=voice depth=0.7 fading=11
station freq=7440000 mode=AM level=-66 audio=music depth=0.8
station freq=9420000 mode=AM level=-50 audio=music depth=0.8
station freq=9580000 mode=AM level=-45 audio=voice depth=0.7
station freq=9650000 mode=AM level=-60 audio=music depth=0.8 fading=15
station freq=9830000 mode=AM level=-68 audio=voice depth=0.7
station freq=11700000 mode=AM level=-57 audio=music depth=0.8
station freq=11810000 mode=AM level=-62 audio=voice depth=0.7
station freq=11955000 mode=AM level=-54 audio=music depth=0.8 fading=10
station freq=15140000 mode=AM level=-60 audio=voice depth=0.7
station freq=15290000 mode=AM level=-56 audio=music depth=0.8
station freq=15520000 mode=AM level=-63 audio=voice depth=0.7 fading=13
station freq=15700000 mode=AM level=-66 audio=music depth=0.8

# Standard-frequency carriers; 10 MHz steady at S9 for checking the S-meter.
station freq=5000000 mode=CARRIER level=-78 fading=8
station freq=10000000 mode=CARRIER level=-73
station freq=15000000 mode=CARRIER level=-82 fading=6

# FM at 29.6 MHz and a DRM block in the 19 m band.
station freq=29600000 mode=FM level=-70 audio=voice deviation=2500
station freq=15400000 mode=DRM level=-65
)";
    return text;
}

}  // namespace velorix::sim
