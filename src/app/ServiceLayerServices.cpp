// The service layer's update and log services, made on first use. They belong to the updates and
// diagnostics folders.
#include "core/ServiceLayer.h"

#include "diagnostics/BulkLogHelper.h"
#include "updates/SilentUpdateService.h"

SilentUpdateService& ServiceLayer::silentUpdateService() {
    if (!m_silentUpdateService) {
        m_silentUpdateService = std::make_shared<SilentUpdateService>();
    }
    return *m_silentUpdateService;
}

BulkLogHelper& ServiceLayer::bulkLogHelper() {
    if (!m_bulkLogHelper) {
        m_bulkLogHelper = std::make_shared<BulkLogHelper>();
    }
    return *m_bulkLogHelper;
}

void ServiceLayer::setBulkLogHelper(std::shared_ptr<BulkLogHelper> helper) {
    m_bulkLogHelper = std::move(helper);
}

void ServiceLayer::setSilentUpdateService(std::shared_ptr<SilentUpdateService> service) {
    m_silentUpdateService = std::move(service);
}
