// TDriver: the description of one kind of driver (names, files, texts, factories, the settings
// file's "debugger" options) and owner of the configured device list.
#pragma once

#include "core/driver/DriverInfo.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class TDevice;
class TDeviceList;
class TThreadsList;

// Process-wide options set by ReadSettings (and Prepare); one instance shared by all threads.
struct TDriverOptions {
    std::atomic<bool> ImitatorMode{false};        // devices are not contacted; polls imitate
    std::atomic<int32_t> ImitatorRate{-1};        // >= 0: imitated devices' ReqwestInterval, ms
    std::atomic<bool> ImitatorStateChange{false}; // imitated link state alternates every poll
    std::atomic<bool> TerminalTextMode{false};    // terminal data shown as text, not hex bytes
};

TDriverOptions& DriverOptions();

// Settings-file readers: open the file, read one value, close it; a missing file or key gives
// the default. Booleans are stored as integers, any non-zero value being true.
int32_t ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                       int32_t def);
bool ReadIniBool(const std::string& file, const std::string& section, const std::string& key,
                 bool def);

// The path with the extension of its last component replaced by ext (".ini"), or ext appended
// when it has none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// Factories and constructors: C++ does not dispatch to a derived class from a base constructor
// or destructor. So the base constructor creates Devices with its own CreateDeviceList, and a
// driver that replaces CreateDeviceList creates Devices again in its own constructor:
//     TMyDriver() { Devices.reset(CreateDeviceList()); }
// Likewise a driver whose Finalize releases data of its own calls Shutdown() in its destructor
// (release Devices, then Finalize; it runs once, so the base destructor's call is then empty).
class TDriver {
public:
    TDriver();
    virtual ~TDriver();

    TDriver(const TDriver&) = delete;
    TDriver& operator=(const TDriver&) = delete;

    // The Devices list written to or read from a configuration file; false on any failure.
    virtual bool SaveConfiguration(const std::string& fileName);
    virtual bool LoadConfiguration(const std::string& fileName);
    virtual void BeginSetup();
    virtual void CancelSetup();
    // Once at server start-up and plug-in initialisation.
    virtual void Prepare();
    virtual void GetDriverInfo(TDriverInfoRecord& info);
    virtual std::string GetDriverName();
    virtual std::string GetConfigRootName();
    virtual std::string GetSetupCaption();
    virtual std::string GetAboutText();
    virtual std::string GetTitle();
    // While false the reader ignores RAPEnabled/RAPPort and nothing offers remote access.
    virtual bool SupportsRemoteAccess();
    // Factories; the caller owns the result.
    virtual TDevice* CreateDevice();
    virtual TDeviceList* CreateDeviceList();
    virtual TThreadsList* CreateThreadsList();
    // Reads the "debugger" section of the settings file beside the configuration file (same
    // name, extension ".ini"). mode: 0 in the server, the kernel's ConfigurationOnly byte in
    // the plug-in; the base ignores it.
    virtual bool ReadSettings(int32_t mode, const std::string& configFileName);
    virtual bool Finalize();
    virtual bool HasAdditionalSetup();
    // owner: the UI's window object, passed through untouched.
    virtual void ShowAdditionalSetup(void* owner, const std::string& settingsFileName);

    std::string GetConfigFileName(); // GetDriverName() + ".cfg"
    std::string GetDataFileName();   // GetDriverName() + ".dat": the shared memory block's name
    std::string GetServerFileName(); // GetDriverName() + ".srv": the server program

    // The configured devices; never null while the driver lives.
    std::unique_ptr<TDeviceList> Devices;

protected:
    // Releases Devices, then calls Finalize; only the first call does anything.
    void Shutdown();

    // The record of GetDriverInfo: zeroed, then identifier, name and the fixed format values.
    static void FillDriverInfo(TDriverInfoRecord& info, const TDriverGuid& guid,
                               const std::string& name);

private:
    bool ShutDown = false;
};

// The process-wide driver object: installed by the program or library at load, cleared at
// unload. The caller keeps ownership.
TDriver* GetDriver();
void SetDriver(TDriver* driver);
