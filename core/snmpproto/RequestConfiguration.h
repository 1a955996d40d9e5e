// The process-wide SNMP request configuration and the way the driver loads it: the file beside
// the driver configuration, with the same name and the extension ".xml".
#pragma once

#include "core/snmpproto/DrvSnmpRequest.h"

#include <memory>
#include <string>

// Null until the driver object reads its settings; released by its Finalize. It is installed
// during start-up before any polling thread runs and released after they all stopped, and is
// only read in between: hence a pointer to const. Polls copy the request they execute
// (TSNMPRequestItem's copy constructor) for their working values.
extern std::unique_ptr<const TSNMPDeviceList> RequestConfiguration;

// configFileName with its extension replaced by ".xml".
std::string RequestFileName(const std::string& configFileName);

// Loads requestFileName into list as the driver does: when the file does not exist, LoadError
// is the driver's "no configuration file" text; otherwise LoadFromFile's error text. True when
// LoadError is empty. A failed load keeps the device types loaded before the failing one.
bool ReadRequestFile(const std::string& requestFileName, TSNMPDeviceList& list);

// The driver's ReadSettings step: a new configuration read from the request file beside
// configFileName replaces RequestConfiguration (also when the load failed: polling goes on
// with the device types that did load). True when its LoadError is empty.
bool LoadRequestConfiguration(const std::string& configFileName);

// Finalize: RequestConfiguration is released and null again.
void ReleaseRequestConfiguration();
