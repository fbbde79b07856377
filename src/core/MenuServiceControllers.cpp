// The real menu front ends for MenuService. They belong to the menus folder; until it has them this file
// registers nothing and MenuService makes no front end.
#include "core/MenuService.h"

#if __has_include("menus/StatusItemController.h") && __has_include("menus/DockMenuBarController.h")

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

#endif
