// The service layer's log shipper, made on first use; it belongs to the diagnostics, which alone use it.
#include "core/ServiceLayer.h"

#include "diagnostics/BulkLogHelper.h"

BulkLogHelper& ServiceLayer::bulkLogHelper() {
    if (!m_bulkLogHelper) {
        m_bulkLogHelper = std::make_shared<BulkLogHelper>();
    }
    return *m_bulkLogHelper;
}

void ServiceLayer::setBulkLogHelper(std::shared_ptr<BulkLogHelper> helper) {
    m_bulkLogHelper = std::move(helper);
}
