#pragma once

#include <string>

namespace velorix::sim {

// The band a new user hears when no scenario file is given: 0-30 MHz with
// amateur SSB, CW and RTTY, broadcasters in the 49, 41, 31, 25 and 19 m bands,
// standard-frequency carriers, FM at 29.6 MHz, a DRM block, band noise and light
// impulse noise. In the scenario file format (BandScenario.h).
const std::string& DefaultBandText();

}  // namespace velorix::sim
