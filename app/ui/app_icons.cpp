// Icon lookup with the fallback set from the program's resources.
#include "app/ui/app_icons.h"

#include <QString>

void InitProgramResources() { Q_INIT_RESOURCE(murmurex_app); }

QIcon ThemeIcon(const char* name) {
    InitProgramResources();
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QIcon(QStringLiteral(":/murmurex/icons/%1.png").arg(QString::fromLatin1(name))));
}

QIcon ProgramIcon() {
    InitProgramResources();
    return QIcon(QStringLiteral(":/murmurex/murmurex.png"));
}
