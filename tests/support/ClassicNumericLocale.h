#pragma once

#include <clocale>
#include <locale.h>

/// Switches the calling thread to the C numeric locale while it lives. libxlsxwriter prints
/// numbers with the C library's printf, so under the tests' pt_BR locale it would write
/// "1234,5" into the XML, which no spreadsheet program reads as a number.
class ClassicNumericLocale {
public:
    ClassicNumericLocale() : m_locale(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr)))
    {
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    ~ClassicNumericLocale()
    {
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
    }
    ClassicNumericLocale(const ClassicNumericLocale&) = delete;
    ClassicNumericLocale& operator=(const ClassicNumericLocale&) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = locale_t(nullptr);
};
