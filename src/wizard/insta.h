#pragma once
// The main window of setup: a wizard of four pages over one fixed set of
// controls, which runs setup's procedures on its progress page.
#include "window/form.h"
#include "platform/text/text.h"

// Program-wide state, owned by the GUI thread.
namespace insta {
// The wizard's pages, in the order Next steps through them; closing the
// window follows the last.
enum class Page : unsigned char { licence, choice, path, progress, close };
extern Page page_index;
extern platform::Text install_directory; // ends in a backslash once set for an install
extern bool self_removal_pending;        // set by a completed uninstall, never reset
} // namespace insta

class TForm1 : public ui::Form {
public:
    TForm1();

    ui::Control *Image1;  // banner
    ui::Control *Bevel1;  // lower rule
    ui::Control *Label1;  // status line
    ui::Control *Image2;  // folder picture
    ui::Control *Label2;  // page heading
    ui::Control *Label3;  // maker's mark
    ui::Control *Label4;  // its shadow
    ui::Control *Image3;  // install picture
    ui::Control *Image4;  // removal picture
    ui::Control *Bevel2;  // upper rule
    ui::Control *Button1; // Back
    ui::Control *Button2; // Next, then Finish
    ui::Control *Button3; // Cancel
    ui::Control *rb1;     // accept, then install
    ui::Control *rb2;     // refuse, then remove
    ui::Control *Memo1;   // licence
    ui::Control *Button4; // Change Path
    ui::Control *pb1;     // progress bar
    ui::Control *Edit1;   // path box

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
