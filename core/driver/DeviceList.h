// TDeviceList: the configured devices and the driver configuration file that stores them
// together with the driver-wide options.
#pragma once

#include "core/collections/Collections.h"
#include "core/driver/Connection.h"
#include "core/driver/Device.h"

#include <cstdint>
#include <memory>
#include <string>

class TDriver;

struct TDeviceListItem {
    std::unique_ptr<TDevice> Device;
    double LastPollTime = 0;  // days since 1899-12-30: start of the last poll
    int32_t LastInterval = 0; // ms between the two last poll starts
    int32_t LastDuration = 0; // ms the last poll took
};

// Owns its entries and their devices, and Connection when there is one. Devices are created by
// the driver's CreateDevice, so a list belongs to one driver object.
class TDeviceList : public TBaseArray {
public:
    explicit TDeviceList(TDriver& driver);
    ~TDeviceList() override;

    void FreeItem(void* item) override;

    // Empties the list, then appends a copy of every device of source (index and properties).
    virtual void Assign(const TDeviceList& source);
    // Appends a device with default properties (applied); returns its entry.
    virtual TDeviceListItem* AddNewDevice();
    // Writes the configuration file: driver-wide options and every device's properties. The
    // file is replaced as a whole: on any failure the previous file stays as it was. A list
    // the reader could not read back (a property value with '"' or '>') is refused.
    virtual bool SaveToFile(const std::string& fileName);
    // Reads the configuration file into the list and the driver-wide options; see the
    // definition for what is kept when the file is refused.
    virtual bool LoadFromFile(const std::string& fileName);
    // A new connection for the device with these properties; the base has none.
    virtual TVantorelixConnection* CreateConnection(const TDevicePropertyList& properties);
    // Releases the connection and clears the reference.
    virtual bool FreeConnection(std::unique_ptr<TVantorelixConnection>& connection);
    // Closes Connection without a terminal; true when there is none.
    virtual bool CloseConnection();

    // The first entry whose device has this routing prefix (letter case ignored) and address.
    TDeviceListItem* FindDevice(const std::string& routingPrefix, int32_t deviceAddress) const;

    TDeviceListItem* Item(int32_t index) const { return static_cast<TDeviceListItem*>(At(index)); }
    TDevice* Device(int32_t index) const {
        TDeviceListItem* item = Item(index);
        return item != nullptr ? item->Device.get() : nullptr;
    }
    TDriver& Driver() const { return FDriver; }

    // The connection shared by all devices of the list (a polling thread's copy); may be null.
    std::unique_ptr<TVantorelixConnection> Connection;

    // Why the last SaveToFile or LoadFromFile failed (English, for logs and tools); empty
    // after a success.
    std::string LastError;

private:
    TDriver& FDriver;
};
