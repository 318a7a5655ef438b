#pragma once

// The fifteen functions of libvelorixusb.so, for a program that loads the
// library with dlopen and binds them with dlsym. Only the types are needed:
// nothing links against the library.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Called on the library's reader thread for every full block; copy the block
// before returning, the next read overwrites it.
typedef void (*VelorixInputCallback)(unsigned char* block, void* user);

typedef int (*VelorixOpenFn)(void);
typedef bool (*VelorixCloseFn)(void);
typedef char* (*VelorixGetDeviceNameFn)(void);
typedef char* (*VelorixGetFriendlyDeviceNameFn)(void);
typedef uint32_t (*VelorixGetDLLVersionFn)(void);
typedef int (*VelorixFirmwareDownloadFn)(const char* hexPath);
typedef int (*VelorixFpgaConfigFn)(const char* name, const unsigned char* key);
typedef bool (*VelorixSetAttenuatorFn)(int step);
typedef bool (*VelorixSetPreselectorFn)(int filter);
typedef uint32_t (*VelorixSioFn)(const unsigned char* data, int length);
typedef int (*VelorixGetInputDataFn)(unsigned char* buffer, int length);
typedef int (*VelorixStartAsyncInputFn)(int blockBytes, VelorixInputCallback callback, void* user);
typedef int (*VelorixStopAsyncInputFn)(void);
typedef int (*VelorixEepromReadFn)(unsigned char* buffer, int address, int length);
typedef uint8_t (*VelorixEepromWriteFn)(const unsigned char* data, int address, int length);

#ifdef __cplusplus
}
#endif
