#include "views/kit/SearchText.h"

namespace tw {

bool searchMatches(const QString& field, const QString& search)
{
    if (search.isEmpty())
        return true;
    return field.normalized(QString::NormalizationForm_C)
        .contains(search.normalized(QString::NormalizationForm_C), Qt::CaseInsensitive);
}

} // namespace tw
