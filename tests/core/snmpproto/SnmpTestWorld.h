// What the SNMP polling tests share: a block with static tags installed in the server runtime,
// a request configuration installed from text, and SNMP devices polled through their own
// device list and connection, as a polling thread does it.
#pragma once

#include "core/driver/SnmpDriver.h"
#include "core/polling/ReceiveVariables.h"
#include "core/snmpproto/SnmpConnection.h"
#include "core/snmpproto/SnmpDevice.h"
#include "tests/core/polling/PollingWorld.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Installs the configuration read from xml as the process-wide one.
void InstallRequests(const std::string& xml);

// A numeric tag "PREFIX: DEVICE=1; ADDRESS=address".
TTagSpec NumericTag(const std::string& prefix, int32_t address, float bound1 = 0,
                    float bound2 = 1e9f, float scale = 0, bool invert = false);

// The queued values as (address, value), in arrival order.
std::vector<std::pair<int32_t, float>> Queued(const TReceiveVariables& received);

class TSnmpWorld : public ::testing::Test {
protected:
    // The server prepares the driver at start-up: terminals show SNMP exchanges as text.
    TSnmpWorld() { Driver.Prepare(); }
    void TearDown() override;

    // The block with these tags, its routing index built.
    void MakeBlock(const std::vector<TTagSpec>& tags);
    // A device of this list: enabled, no ICMP check, no retry tolerance, routing prefix SNMP1,
    // device address 1, then the given properties.
    TSNMP_Device* AddDevice(TMyDeviceList& list,
                            const std::vector<std::pair<std::string, std::string>>& properties);
    TSNMP_Device* AddDevice(const std::vector<std::pair<std::string, std::string>>& properties) {
        return AddDevice(Devices, properties);
    }
    bool Poll(TSNMP_Device* device) { return device->Poll(Devices, Received); }
    static void Set(TSNMP_Device* device, const std::string& name, const std::string& value);
    // The terminal of the device's last poll, line by line.
    static std::vector<std::string> TerminalLines(const TSNMP_Device* device);
    static bool HasLine(const TSNMP_Device* device, const std::string& line);

    TSNMP_Driver Driver;
    std::unique_ptr<TTestBlock> Block;
    TMyDeviceList Devices{Driver};
    TReceiveVariables Received;
};
