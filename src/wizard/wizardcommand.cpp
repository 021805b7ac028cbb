#include "wizard/wizardcommand.h"

#include "documentwindow/documentwindow.h"
#include "wizard/wizarddialog.h"
#include "wizard/wizardsynthesis.h"

namespace tessaro {

WizardRecord& ApplicationWizardRecord()
{
    static WizardRecord record;
    return record;
}

DocumentWindow* OpenWizard(QWidget* parent, WizardRecord& record, const std::function<DocumentWindow*()>& newDocument)
{
    record.resetForOpening();
    {
        WizardDialog dialog(record, parent);
        dialog.exec();
    }
    return record.wizardFinished ? CreateWizardDocument(record, newDocument) : nullptr;
}

DocumentWindow* CreateWizardDocument(WizardRecord& record, const std::function<DocumentWindow*()>& newDocument)
{
    DocumentWindow* window = newDocument();
    if (window == nullptr)
        return nullptr;
    const WizardImage built = BuildWizardImage(record);
    window->recordStep(QString::fromUtf8("精靈"), [&] { ApplyWizardImage(window->document(), built); });
    window->refreshNow();
    return window;
}

}  // namespace tessaro
