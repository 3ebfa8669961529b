// "&Crediti": the system help viewer, started and left to run on its own.
#include "form3.h"

#include "../app/application.h"

#include <exception>

namespace velti {

// The one handler that traps its own errors: whatever stops the viewer from starting, the user
// is told in the same words and the About window stays usable.
void Form3::Command2_Click() {
    const Services& services = application_.services();
    try {
        services.launcher.start(
            QStringLiteral("winhlp32.exe -I Hlp_Informazioni_suxxx -W HlpWnd02"), 1);
    } catch (const std::exception&) {
        services.msgBox.show(
            QStringLiteral("Impossibile trovare Winhlp32.exe; controllare di averlo "
                           "installato assieme a Windows e di non averlo rimosso!"),
            msgbox::Critical, QStringLiteral("Appunti"));
    }
}

} // namespace velti
