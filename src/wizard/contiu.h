#pragma once
// The cancel confirmation dialog: "Resume" or "Exit Setup".
#include "window/form.h"

class TForm2 : public ui::Form {
public:
    TForm2();

    ui::Control *Label1, *Label2, *Label3, *Button1, *Button2;

    void FormCreate() override;
    void Button1Click(ui::Control &sender);
    void Button2Click(ui::Control &sender);
};

extern TForm2 *Form2;
