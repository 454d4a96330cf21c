#include "dialog/AboutDialog.h"

#include "app/M_Clock.h"
#include "app/Program.h"
#include "forms/Layouts.h"
#include "settings/Writers.h"

AboutDialog::AboutDialog(Program& program)
    : form(program.sys.ui, forms::AboutLayout()),
      Check1(form.Get<platform::CheckBox>("Check1")),
      Option1(form.Get<platform::OptionButton>("Option1")),
      Option2(form.Get<platform::OptionButton>("Option2")),
      Command1(form.Get<platform::CommandButton>("Command1")),
      Command2(form.Get<platform::CommandButton>("Command2")),
      program_(program) {
    form.Form_Load = [this] { Form_Load(); };
    form.Form_Activate = [this] { Form_Activate(); };
    form.Form_Unload = [this] { Form_Unload(); };
    form.EndSession = [this] { program_.SaveAndEnd(); };
    Check1.Click = [this] { Check1_Click(); };
    Option1.Click = [this] { Option1_Click(); };
    Option2.Click = [this] { Option2_Click(); };
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
}

void AboutDialog::Check1_Click() {
    bool checked = Check1.Value() == 1;
    if (program_.SizeMode > 1) {
        program_.SizeMode = checked ? 3 : 2;
    } else {
        program_.SizeMode = checked ? 1 : 0;
    }
}

void AboutDialog::Option1_Click() {
    if (Option1.Value()) program_.SizeMode = Check1.Value() == 1 ? 1 : 0;
}

void AboutDialog::Option2_Click() {
    if (Option2.Value()) program_.SizeMode = Check1.Value() == 1 ? 3 : 2;
}

// "O K": applies the choice, then saves it. Saving after the switch keeps the
// file in step with the position the user sees.
void AboutDialog::Command1_Click() {
    ClosedByOk = 1;
    program_.SizeKnown = true;
    form.Hide();

    ClockWindow* target;
    bool onTop;
    if (program_.SizeMode > 1) {
        if (SizeAtOpen <= 1) Exchange(program_.Clock, program_.Clock_Mini);
        target = &program_.Clock_Mini;
        onTop = program_.SizeMode == 3;
    } else {
        if (SizeAtOpen >= 2) Exchange(program_.Clock_Mini, program_.Clock);
        target = &program_.Clock;
        onTop = program_.SizeMode == 1;
    }
    program_.PlaceInBand(target->form, onTop);

    Save_Size();
    M_Clock::Save_Position(program_);
    program_.SaveSettings();
}

// Shows the other clock where the current one is, then retires the current one.
void AboutDialog::Exchange(ClockWindow& from, ClockWindow& to) {
    to.form.Load();  // its own load handling (the large clock centres itself) runs first
    to.TakePlaceOf(from);
    from.form.Hide();
    to.form.Show();
    from.form.Unload();
}

void AboutDialog::Save_Size() {
    if (!program_.SizeKnown) return;
    settings::WriteSize(program_.PendingSave, program_.Trimmer, program_.SizeMode);
}

void AboutDialog::Command2_Click() { program_.SaveAndEnd(); }

void AboutDialog::Form_Unload() {
    Save_Size();
    M_Clock::Save_Position(program_);
    program_.SaveSettings();
    if (ClosedByOk == 0) program_.sys.ui.End();
}
