#pragma once

#include "UserError.h"

#include <QString>

/// A picture that could not be read or written.
class PictureError : public UserError {
public:
    using UserError::UserError;
};

/// Turns a bitmap into a JPEG beside it. A path whose extension is ".bmp" (in any case; "\", "/"
/// and ":" delimit folders) is read as a bitmap and written as a colour, non-progressive JPEG of
/// the given quality under the same name with ".jpg", unless a file of that name exists already;
/// the result is the JPEG's name. Any other path comes back unchanged and no file is touched.
/// Throws PictureError when the bitmap cannot be read or the JPEG cannot be written.
QString ConvertBMP_JPG(const QString& xFile, int Quality);
