#pragma once
// The main window of setup: a wizard of four pages over one fixed set of
// controls, which runs setup's procedures on its progress page.
#include "window/form.h"
#include "platform/text/text.h"

// Program-wide state, owned by the GUI thread.
namespace insta {
extern unsigned char page_index;           // 0 licence, 1 choice, 2 path, 3 progress, 4 close
extern platform::Text install_directory;   // ends in a backslash once set for an install
extern unsigned char self_removal_pending; // set by a completed uninstall, never reset
} // namespace insta

class TForm1 : public ui::Form {
public:
    TForm1();

    ui::Control *Image1, *Bevel1, *Label1, *Image2, *Label2, *Label3, *Label4, *Image3, *Image4,
        *Bevel2, *Button1, *Button2, *Button3, *rb1, *rb2, *Memo1, *Button4, *pb1, *Edit1;

    void FormCreate() override;
    void FormClose(CloseAction &action) override;
    void Button2Click(ui::Control &sender);
    void rb1Click(ui::Control &sender);
    void Button3Click(ui::Control &sender);
    void Button4Click(ui::Control &sender);

private:
    void apply_page();
    void show_progress_page(const wchar_t *heading);
};

extern TForm1 *Form1;
