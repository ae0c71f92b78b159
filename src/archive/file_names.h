// Characters allowed in file names the program builds from user texts.
#pragma once

#include <QString>

// Every character outside space, "+", "-", "_", "~", 0-9, A-Z, a-z and
// Ä Ö Ü ä ö ü becomes "~".
QString clean_file_name(const QString& text);

// A device serial number as part of a file name: characters a file name
// cannot hold (/ \ : * ? " < > | and control characters) become "~";
// every other character stays as it is.
QString clean_serial_name(const QString& serial);
