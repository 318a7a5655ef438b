#pragma once

// The fifteen functions of libvelorixusb.so, declared once: the library
// defines them against these declarations, and a program that loads the
// library with dlopen binds them with dlsym into pointers of the same types
// (the Velorix...Fn aliases below). Nothing links against the library.
#include <cstdint>

extern "C" {

// Called on the library's reader thread for every full block; copy the block
// before returning, the next read overwrites it. A null block tells of a block
// lost on the way (a read that ended short or failed after samples had moved):
// the stream has a gap there.
typedef void (*VelorixInputCallback)(unsigned char* block, void* user);

// 1 when the receiver is open. On 0, errno says why: ENODEV (none present) or
// the system's reason for not opening it (EACCES: no permission on its node).
int Open(void);
bool Close(void);
// The library's own name buffer, valid until the next call of the same function.
const char* GetDeviceName(void);
const char* GetFriendlyDeviceName(void);
uint32_t GetDLLVersion(void);
int FirmwareDownload(const char* hexPath);
int FpgaConfig(const char* name, const unsigned char* key);
bool SetAttenuator(int step);
bool SetPreselector(int filter);
uint32_t Sio(const unsigned char* data, int length);
int GetInputData(unsigned char* buffer, int length);
int StartAsyncInput(int blockBytes, VelorixInputCallback callback, void* user);
int StopAsyncInput(void);
int EepromRead(unsigned char* buffer, int address, int length);
uint8_t EepromWrite(const unsigned char* data, int address, int length);
}

using VelorixOpenFn = decltype(&Open);
using VelorixCloseFn = decltype(&Close);
using VelorixGetDeviceNameFn = decltype(&GetDeviceName);
using VelorixGetFriendlyDeviceNameFn = decltype(&GetFriendlyDeviceName);
using VelorixGetDLLVersionFn = decltype(&GetDLLVersion);
using VelorixFirmwareDownloadFn = decltype(&FirmwareDownload);
using VelorixFpgaConfigFn = decltype(&FpgaConfig);
using VelorixSetAttenuatorFn = decltype(&SetAttenuator);
using VelorixSetPreselectorFn = decltype(&SetPreselector);
using VelorixSioFn = decltype(&Sio);
using VelorixGetInputDataFn = decltype(&GetInputData);
using VelorixStartAsyncInputFn = decltype(&StartAsyncInput);
using VelorixStopAsyncInputFn = decltype(&StopAsyncInput);
using VelorixEepromReadFn = decltype(&EepromRead);
using VelorixEepromWriteFn = decltype(&EepromWrite);
