// The real menu front ends for MenuService; they belong to the menus folder.
#include "core/MenuService.h"

#include "menus/DockMenuBarController.h"
#include "menus/StatusItemController.h"

namespace {

[[maybe_unused]] const bool registered = [] {
    MenuService::setDefaultControllers({
        [](MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate) {
            return std::unique_ptr<MenuControllerProtocol>(new StatusItemController(dataSource, delegate));
        },
        [](MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate) {
            return std::unique_ptr<MenuControllerProtocol>(new DockMenuBarController(dataSource, delegate));
        },
        [](MenuControllerProtocol& controller) -> QMenu* {
            auto* dock = dynamic_cast<DockMenuBarController*>(&controller);
            return dock ? dock->dockMenu() : nullptr;
        },
    });
    return true;
}();

} // namespace
