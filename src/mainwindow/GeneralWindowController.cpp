#include "mainwindow/GeneralWindowController.h"

#include "mainwindow/GeneralViewController.h"

GeneralWindowController::GeneralWindowController(QObject* parent) : BaseWindowViewController(parent) {
    setContentViewController(new GeneralViewController(this));
}
