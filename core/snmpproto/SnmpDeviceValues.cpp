// The SNMP device's reply processing: table size, the search of "oids_table" requests, and the
// conversion of integer values through the 16-bit sign rule and the variable's expression.
#include "core/snmpproto/SnmpDevice.h"

#include "core/errors/TerminalData.h"
#include "core/eval/Evaluations.h"
#include "core/eval/ValuePlaceholder.h"
#include "core/intercom/StaticTags.h"
#include "core/polling/ReceiveVariables.h"
#include "core/polling/ServerRuntime.h"
#include "core/polling/VariableIndex.h"
#include "core/snmpproto/DrvSnmpRequest.h"
#include "core/xml/TextValues.h"
#include "snmp/Oid.h"
#include "snmp/SnmpClient.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace {

bool IsIntegerType(uint8_t type) {
    return type == snmp::TagInteger || type == snmp::TagCounter32 || type == snmp::TagGauge32 ||
           type == snmp::TagTimeTicks;
}

// Whether two OID texts name the same object: the client writes reply OIDs in canonical form,
// the query may hold them as a template produced them (leading zeros, a leading dot).
bool SameOid(std::string_view asked, std::string_view answered) {
    if (asked == answered) {
        return true;
    }
    std::string canonical;
    return snmp::NormaliseOid(asked, canonical) && canonical == answered;
}

// The whole text as a decimal number.
bool ReadDecimal(std::string_view text, double& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// A number text of the configuration (the default value): blanks around it allowed, "." or ","
// as the decimal separator; 0 when it is not a number.
float NumberOrZero(std::string_view text) {
    TEvalValue parsed;
    double value = 0;
    std::string error;
    if (!ParseNumberText(text, parsed) || !ValueToDouble(parsed, value, error) ||
        !std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        return 0;
    }
    return float(value);
}

// The value as the expression sees it: general format, at most 11 significant digits. The
// values that reach it are integral and below 2^32, so they never take an exponent.
std::string FormatForExpression(float value) {
    char buffer[48];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof(buffer), double(value),
                                   std::chars_format::general, 11);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

enum class TOutcome {
    Value,     // value holds the result
    Error,     // the formula failed (error holds the message) or gave Null
    Exception, // the result cannot be a tag value (a text that is no number, out of range)
};

TOutcome Evaluate(const std::string& formula, float& value, std::string& error) {
    try {
        TEvaluation evaluation;
        const TEvalValue result = evaluation.Evaluation(formula, error);
        if (!error.empty() || result.IsNull()) {
            return TOutcome::Error;
        }
        double converted = 0;
        std::string conversionError;
        if (!ValueToDouble(result, converted, conversionError) || !std::isfinite(converted) ||
            std::fabs(converted) > std::numeric_limits<float>::max()) {
            return TOutcome::Exception;
        }
        value = float(converted);
        return TOutcome::Value;
    } catch (...) {
        return TOutcome::Exception;
    }
}

void AddLine(TTerminalDataClass* terminal, const std::string& line) {
    if (terminal != nullptr) {
        terminal->Add(line);
    }
}

} // namespace

int32_t TSNMP_Device::ReadTableSize(const std::string& oid, const snmp::TSnmpMessage& reply,
                                    int32_t def) {
    const snmp::TVarBind* found = nullptr;
    for (const snmp::TVarBind& variable : reply.Pdu.VarBinds) {
        if (SameOid(oid, variable.Oid)) {
            found = &variable;
        }
    }
    int32_t value = def;
    if (found == nullptr || !IsIntegerType(found->Type) || !TryTextToInt32(found->Value, value)) {
        return def;
    }
    return value;
}

bool TSNMP_Device::ProcessReply(TSNMPRequestItem& request, const snmp::TSnmpMessage& query,
                                const snmp::TSnmpMessage& reply, TTerminalDataClass* terminal,
                                TReceiveVariables& received) {
    const std::vector<snmp::TVarBind>& asked = query.Pdu.VarBinds;
    const std::vector<snmp::TVarBind>& answered = reply.Pdu.VarBinds;
    // A reply that names other objects than were asked for is not this request's answer; its
    // values would reach the wrong tags, so only variables answered in place are taken.
    auto inPlace = [&](size_t k) {
        return k < asked.size() && SameOid(asked[k].Oid, answered[k].Oid);
    };

    if (request.Kind == TSNMPRequestItem::KindOidsTable) {
        for (size_t k = 0; k < answered.size(); ++k) {
            // An exception or empty value names no OID (it would find a variable without one).
            if (!inPlace(k) || answered[k].Value.empty()) {
                continue;
            }
            if (TRequestItemStruct* variable = request.Items.FindByOid(answered[k].Value)) {
                variable->CurrentValue = "1";
            }
        }
        for (int32_t i = 0; i < request.Items.Count(); ++i) {
            const TRequestItemStruct* variable = request.Items.Item(i);
            int32_t value = 0;
            if (!TryTextToInt32(variable->CurrentValue, value)) {
                value = 0;
            }
            AddReceived(received, RoutingPrefix, DeviceAddress, float(value), "",
                        variable->TsAddress);
        }
        return true;
    }

    for (size_t k = 0; k < answered.size() && k < size_t(request.Items.Count()); ++k) {
        if (inPlace(k)) {
            ConvertValue(request, int32_t(k), terminal, received, answered[k].Value,
                         answered[k].Type);
        }
    }
    return true;
}

bool TSNMP_Device::ConvertValue(TSNMPRequestItem& request, int32_t k, TTerminalDataClass* terminal,
                                TReceiveVariables& received, const std::string& valueText,
                                uint8_t valueType) {
    TRequestItemStruct* variable = request.Items.Item(k);
    if (variable == nullptr) {
        return false;
    }
    variable->CurrentValue = valueText;

    TVariableIndex* index = ServerRuntime().VariableIndex.load();
    TDMLVariable record;
    if (index == nullptr ||
        !index->GetTagRecord(RoutingPrefix, DeviceAddress, variable->TsAddress, "", record)) {
        return false;
    }
    double number = 0;
    if (!IsIntegerType(valueType) || !ReadDecimal(valueText, number)) {
        return false;
    }
    float value = float(number); // above 2^24 only 24 significant bits stay

    // A tag with a negative bound holds a signed 16-bit quantity that the device sends as an
    // unsigned one: 65535 is -1.
    if (valueType == snmp::TagInteger &&
        (record.Info.Bound1.Get() < 0 || record.Info.Bound2.Get() < 0)) {
        const int64_t whole = std::llround(double(value));
        value = float(int16_t(uint16_t(uint64_t(whole) & 0xFFFF)));
    }

    if (!variable->Expression.empty()) {
        std::string error;
        switch (Evaluate(ReplaceValuePlaceholder(variable->Expression, FormatForExpression(value)),
                         value, error)) {
        case TOutcome::Value:
            break;
        case TOutcome::Error:
            value = NumberOrZero(variable->DefValue);
            AddLine(terminal, "Evaluation error(" + variable->Expression + "): " + error);
            break;
        case TOutcome::Exception:
            value = NumberOrZero(variable->DefValue);
            AddLine(terminal, "Evaluation exception: " + variable->Expression);
            break;
        }
    }

    return AddReceived(received, RoutingPrefix, DeviceAddress, value, "", variable->TsAddress);
}
