// Entry points of the SoapySDR module: discovery and construction.
#include <SoapySDR/Modules.hpp>
#include <SoapySDR/Registry.hpp>

#include "VelorixDevice.h"

namespace velorix::soapy {

namespace {

// One result per receiver the library can reach. Discovery brings the
// receiver up far enough to read its EEPROM, then lets it go; a receiver
// this process already has open answers from its owner instead. No receiver
// is an empty list, never an error.
SoapySDR::KwargsList Find(const SoapySDR::Kwargs& args) {
    ReceiverIdentity identity;
    if (!VelorixDevice::ActiveIdentity(identity)) {
        ReceiverLink link;
        if (!link.Open()) return {};
        identity = link.Identity();
    }
    const auto serial = args.find("serial");
    if (serial != args.end() && serial->second != identity.serial) return {};
    return {{{"driver", "velorix"},
             {"serial", identity.serial},
             {"label", "Velorix receiver :: " + identity.serial},
             {"hardware", identity.hardware}}};
}

SoapySDR::Device* Make(const SoapySDR::Kwargs& args) {
    return new VelorixDevice(args);
}

const SoapySDR::ModuleVersion kVersion(VELORIX_VERSION);
const SoapySDR::Registry kRegistration("velorix", &Find, &Make, SOAPY_SDR_ABI_VERSION);

}  // namespace

}  // namespace velorix::soapy
