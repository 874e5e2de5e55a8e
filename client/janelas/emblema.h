#pragma once
#include <QImage>

namespace orva::cliente {

// The emblem of the client's banner and of its reports. It is drawn here
// rather than shipped as a picture file, so it scales to any size.
QImage Emblema(int altura = 280);

} // namespace orva::cliente
