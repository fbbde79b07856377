#pragma once

// Ships log records to the bulk log endpoint; the service layer makes one and keeps it.
class BulkLogHelper {
public:
    BulkLogHelper() = default;
};
