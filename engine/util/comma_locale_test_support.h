// For tests of our text readers and writers: switches the process (C library and C++ global
// locale) to a locale whose decimal point is a comma and that groups digits, as a German desktop
// session does, and back again.
#pragma once

#include <clocale>
#include <locale>
#include <stdexcept>
#include <string>

class CommaDecimalLocale {
public:
    CommaDecimalLocale() : savedC_(std::setlocale(LC_ALL, nullptr)), savedGlobal_(std::locale()) {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name) == nullptr) continue;
            try {
                std::locale::global(std::locale(name));
            } catch (const std::runtime_error&) {
                std::setlocale(LC_ALL, savedC_.c_str());
                continue;
            }
            active_ = std::localeconv()->decimal_point[0] == ',';
            if (active_) return;
            Restore();
        }
    }
    ~CommaDecimalLocale() {
        if (active_) Restore();
    }
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // False when the system has no such locale (scripts/test makes de_DE.UTF-8 with localedef).
    bool active() const { return active_; }
    static const char* MissingMessage() {
        return "no comma-decimal locale (de_DE.UTF-8) on this system; scripts/test makes it with localedef";
    }

private:
    void Restore() {
        std::locale::global(savedGlobal_);
        std::setlocale(LC_ALL, savedC_.c_str());
    }

    std::string savedC_;
    std::locale savedGlobal_;
    bool active_ = false;
};
