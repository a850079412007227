#pragma once

#include "product.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace orv::ui {

class SysInfoTool;

// The About window, the same in every program but for the product's title
// and picture. Fixed size; the programs open it modal with exec().
class FrmAbout : public QDialog
{
    Q_OBJECT
public:
    // `sysInfo` finds and starts the system-information program; nullptr
    // uses the platform's. The caller keeps ownership.
    explicit FrmAbout(Product product, QWidget* parent = nullptr,
                      const SysInfoTool* sysInfo = nullptr);

    // "&Info. del sistema...": starts the system-information program, or says
    // that it is not available when none is installed or it fails to start.
    void StartSysInfo();

private:
    void showContact();

    Product m_product;
    const SysInfoTool* m_sysInfo;
};

} // namespace orv::ui
