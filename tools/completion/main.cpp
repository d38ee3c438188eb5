// Writes novard-cli's bash completion, made from its options' table, to the file named by the
// first argument: the package installs what this writes, so it cannot lag behind the options.

#include "CliOptions.h"

#include <QFile>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    QFile file(QFile::decodeName(argv[1]));
    return file.open(QIODevice::WriteOnly)
            && file.write(bash_completion(CliOptions::help()).toUtf8()) >= 0 && file.flush()
        ? 0
        : 1;
}
