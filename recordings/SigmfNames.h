#pragma once

namespace velorix::sigmf {

// The file names of one SigMF recording: BASE + these.
inline constexpr const char* kMetaSuffix = ".sigmf-meta";
inline constexpr const char* kDataSuffix = ".sigmf-data";

// velorix's own namespace in the metadata (docs/velorix.sigmf-ext.md).
inline constexpr const char* kExtension = "velorix";
inline constexpr const char* kExtensionVersion = "1.0.0";
inline constexpr const char* kAttenuator = "velorix:attenuator";  // dB: 0, 10, 20, 30
inline constexpr const char* kPreamp = "velorix:preamp";
inline constexpr const char* kDither = "velorix:dither";
inline constexpr const char* kPreselector = "velorix:preselector";
inline constexpr const char* kFullScaleDbm = "velorix:full_scale_dbm";
inline constexpr const char* kTunedFrequency = "velorix:tuned_frequency";
inline constexpr const char* kMode = "velorix:mode";

}  // namespace velorix::sigmf
