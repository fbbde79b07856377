// The service layer's update and log services, made on first use. They belong to the updates and
// diagnostics folders; until those exist this file defines nothing.
#include "core/ServiceLayer.h"

#if __has_include("updates/SilentUpdateService.h") && __has_include("diagnostics/BulkLogHelper.h")

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

#endif
