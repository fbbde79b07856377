#include "mainwindow/GeneralWindowController.h"

#include "mainwindow/GeneralViewController.h"
#include "platform/Storyboard.h"

VELTRIX_STORYBOARD_CONTROLLER("General", "GeneralWindowController", GeneralWindowController);

GeneralWindowController::GeneralWindowController(QObject* parent) : BaseWindowViewController(parent) {
    setContentViewController(new GeneralViewController(this));
}
