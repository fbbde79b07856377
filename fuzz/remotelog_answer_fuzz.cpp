// The remote-logging service's answers: a status (two bytes) and a body of any bytes. Only a 2xx whose body
// is JSON is an answer; what is read from it is a Boolean, a finite version and a session id from 0 or none.

#include "FuzzSupport.h"

#include "remotelog/RLApiClient.h"

#include <QJsonObject>

#include <cmath>

using namespace remotelog;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    RLHttpResponse response;
    response.status = (data[0] << 8 | data[1]) % 700; // 0: the connection broke before an answer
    response.body = fuzz::bytes(data + 2, size - 2);
    if (response.status == 0) {
        response.transportError = QStringLiteral("reset");
    }
    const bool twoHundred = response.status >= 200 && response.status <= 299;

    const auto answer = RLApiClient::readAnswer(response);
    if (const auto* error = std::get_if<RLError>(&answer)) {
        FUZZ_CHECK(!twoHundred || error->domain == RLJsonErrorDomain);
        FUZZ_CHECK(error->domain != RLApiClientErrorDomain || error->code == response.status);
        FUZZ_CHECK(error->domain != RLNetworkErrorDomain || response.status == 0);
        return 0;
    }
    FUZZ_CHECK(twoHundred);
    const auto& document = std::get<QJsonDocument>(answer);
    FUZZ_CHECK(document.isObject() || document.isArray());
    FUZZ_CHECK(std::isfinite(RLApiClient::readDeviceStatus(document).latestVersion));
    if (const auto id = RLApiClient::readSessionId(document)) {
        FUZZ_CHECK(*id >= 0);
        FUZZ_CHECK(document.object().value(QStringLiteral("id")).toDouble() == double(*id));
    }
    return 0;
}
