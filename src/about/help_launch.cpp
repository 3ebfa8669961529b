// "&Crediti": the system help viewer, started and left to run on its own.
#include "about/form3.h"

#include "core/runtime_error.h"

#include <exception>

namespace velti {

// The one handler that traps its own errors: whatever stops the viewer from starting, the user
// is told in the same words and the About window stays usable.
void Form3::Command2_Click() {
    try {
        if (!services_.launcher.start(
                QStringLiteral("winhlp32.exe -I Hlp_Informazioni_suxxx -W HlpWnd02"), 1))
            throw RuntimeError::fileNotFound();
    } catch (const std::exception&) {
        services_.msgBox.show(
            QStringLiteral("Impossibile trovare Winhlp32.exe; controllare di averlo "
                           "installato assieme a Windows e di non averlo rimosso!"),
            msgbox::Critical, QStringLiteral("Appunti"), this);
    }
}

} // namespace velti
