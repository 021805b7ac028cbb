#pragma once

#include "wizard/wizardparams.h"

#include <functional>

class QWidget;

namespace tessaro {

class DocumentWindow;

// The application's one wizard record, shared by the dialog and the synthesis.
[[nodiscard]] WizardRecord& ApplicationWizardRecord();

// The wizard command of the main window: resets the record, shows the wizard
// modally and, when the operator finishes it, creates a document window with
// newDocument (the New command), builds the image in it and flags it as
// changed. Cancel creates nothing. Returns the new window, or nullptr.
DocumentWindow* OpenWizard(QWidget* parent, WizardRecord& record, const std::function<DocumentWindow*()>& newDocument);

// What Finish leads to: a new document window built from the record, flagged
// as changed and drawn.
DocumentWindow* CreateWizardDocument(WizardRecord& record, const std::function<DocumentWindow*()>& newDocument);

}  // namespace tessaro
