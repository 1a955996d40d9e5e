// SNMPv3 exchange with the user-based security model.
#include "snmp/SnmpClient.h"

#include <random>

namespace snmp {

struct TUsmState {
    uint64_t Localisations = 0;
    std::string EngineId;
    int32_t Boots = 0;
};

TSnmpClient::TSnmpClient() : TSnmpClient(CreateUdpTransport()) {}

TSnmpClient::TSnmpClient(std::unique_ptr<TTransport> transport)
    : Transport(std::move(transport)), Usm(std::make_unique<TUsmState>()), ReceiveBuffer(65536) {
    std::random_device seed;
    RequestCounter = int32_t(seed() & 0x3FFFFFFF);
}

TSnmpClient::~TSnmpClient() = default;

uint64_t TSnmpClient::KeyLocalisations() const {
    return Usm ? Usm->Localisations : 0;
}
std::string TSnmpClient::EngineId() const {
    return Usm ? Usm->EngineId : std::string();
}
int32_t TSnmpClient::EngineBoots() const {
    return Usm ? Usm->Boots : 0;
}

bool TSnmpClient::SendV3() {
    return Fail(ErrorNotSentOrUndecodable, "SNMPv3 not available");
}

} // namespace snmp
