// The Phonebook page: lists the phonebook table, reads and writes it on the device, and
// while it is the active page makes the File menu's phonebook commands available.
#pragma once

#include "controls/PropertyPage.h"

namespace pd {

struct PanelContext;
class Ui;

class CPhonebook : public CPropertyPage {
public:
    CPhonebook(PanelContext& context, Ui& ui);

    // The main window's File menu commands "&Avaa puhelinmuistio" and "Tallenna
    // &puhelinmuistio" land here; they are enabled only while this page is the active page.
    void OnOpenPhonebookCommand();
    void OnSavePhonebookCommand();

protected:
    bool OnSetActive() override;
    bool OnKillActive() override;

    PanelContext& context_;
    Ui& ui_;
};

}  // namespace pd
