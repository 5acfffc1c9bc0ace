#include "cli/Commands.h"

QString helpText()
{
    return QStringLiteral(R"(Usage: velka-cli COMMAND [OPTIONS] [FILE]

Configures Velka radio I/O modules from a terminal, one or several at a time, with the
same sequences on the wire as the configuration tool's windows.

Commands:
  ports                       COM1 to COM4 and the devices they lead to, and the
                              maker's USB adapters attached (serial number, device).
  read --port P -o FILE.VMC   Wake the module, read its configuration and save it as a
                              configuration file; prints firmware version, serial number,
                              date code, customer and the date of the last configuration.
                              With several ports, write {port} in the file name: it is
                              replaced by each port's name (read -p COM1 -p COM2 -o
                              unit-{port}.VMC).
  write --port P FILE.VMC     Program the module as "Gerät programmieren" does: read it
                              first (its factory and calibration words are kept), write,
                              verify every word, restart. Succeeds only on a clean verify.
  diff --port P FILE.VMC      Read the module and list the words in which it differs from
                              the file: address, setting, file value, module value.
                              Factory and calibration words (0..29) and the checksum
                              (255) are left out: a write keeps the module's own. The
                              module's words are compared as it sent them, also those
                              the consistency rules would change (so diff reports them,
                              exit 5, where earlier versions said no difference).
  firmware --port P FILE.qvx  Update the firmware: boot command, the bootloader's start
                              window, all rows, restart. A file the update window refuses
                              is refused here too, before any module is touched.
  qvx-info FILE.qvx           Show a firmware file: header, start address, instructions,
                              rows and pages to write, checksum good or bad.
  report FILE.VMC -o OUT.pdf  The configuration report of a file as PDF (or -o OUT.html):
                              station role and addresses, radio parameters, RS485,
                              extension channels, the 36 outputs, the image checksum.
  recipe -o LINE.recipe --name NAME [--firmware F.qvx] [--config C.VMC]
                              Write a production recipe: what a station does to every
                              module. Both files are checked as the windows check them
                              and stamped with their SHA-256; their paths are kept
                              relative to the recipe's folder. A station refuses the
                              recipe once a file has changed.

Recipe options:
      --skip-same-firmware    no update for a module that runs the file's version
      --retry-firmware        try the firmware step once more after it failed
      --rssi-min DBM --rssi-max DBM [--rssi-readings N]
                              a radio check: the median of N readings (default 3) of
                              the fixture's transmitter within the limits, inclusive
      --normal-timing         the normal timing (default: the fast one)
      --read-attempts N       how often the first read is tried (default 3)
      --absence-s S           how long a fixture is silent before its next unit
                              (default 5)

Options:
  -p, --port P     The module's port: COM1..COM4 (as the tool maps them; VELKA_COM1..
                   VELKA_COM4 name other devices), a device path such as /dev/ttyUSB0,
                   or usb:SERIAL for the maker's USB adapter. Give it several times to
                   work on several modules at once, each on its own link.
  -o, --output F   read: the file to save; report: the PDF or HTML file; recipe: the
                   recipe file.
  -y, --yes        write, firmware: do not ask. Without a terminal they refuse to run
                   unless --yes is given.
      --fast       read, write, diff, firmware: judge each reply as soon as it is
                   whole and intact instead of after 100 ms of silence on the line.
                   Faulty replies still get the full wait and the same verdict. Meant
                   for a production line with a known module firmware; check a new
                   firmware on one module first (firmware --fast, then diff).
      --json       One JSON object per port (or per port listed) on standard output,
                   with the outcome and the values read; progress, if any, goes to a
                   terminal on standard error.
  -h, --help       This text.
      --version    The program's version.

Every port ends with one line: port, outcome, time, message. Errors are the tool's own
texts where it has them ("timeout", "fehlerhafte Checksumme in Antwort von Gerät").

Exit codes:
  0  every port succeeded (diff: no difference)
  1  communication failed: no answer (timeout), a faulty reply, a port that is missing
     or cannot be opened, a bootloader error reply
  2  usage: wrong arguments, or write/firmware not confirmed
  3  the file cannot be read, is not a valid file, is refused, or cannot be saved
  4  verify mismatch: the module holds other words than were written
  5  diff: the file and the module differ
With several ports the exit code is that of the first port (in the order given) that did
not succeed.
)");
}
