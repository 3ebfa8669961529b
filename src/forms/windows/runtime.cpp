// The runtime: what the windows of one program share.
#include "forms/windows/runtime.h"

namespace velti::forms {

QIcon Icons::operator()(const char* file) {
    const QString name = file == nullptr ? QString() : QString::fromUtf8(file);
    if (!loaded_.contains(name))
        loaded_.insert(name, QIcon(name));
    return loaded_.value(name);
}

} // namespace velti::forms
