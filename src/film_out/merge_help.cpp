// The help text as the merge definitions have always been explained, with Linux paths in
// its example.
#include "film_out/merge_help.h"

#include "mw31/atomic_file.h"
#include "mw31/format.h"

namespace film_out {

std::string merge_help_text() {
    static const char* const kLines[] = {
        "Um mehrere Animationen im kompakten Animations-Dateiformat zu",
        "einer Gesamtanimation zu vereinigen, erstellen Sie zunaechst mit dem notepad-Texteditor",
        "eine Textdatei, die beschreibt, welche Filme mit welchen Transformationen an der ",
        "Gesamtsimulation beteiligt sein sollen.",
        "",
        "Um die Gesamtsimulation zu starten, waehlen Sie die Definitions-Textdatei",
        "in der Dateiauswahlbox von kurvlab.exe wie eine normale Filmdatei aus.",
        "",
        "In den Definitions-Textdateien werden die Dateinamen der einzelnen Animationsdateien",
        "und verschiedene Steuerparameter einzeln zeilenweise aufgefuehrt.",
        "",
        "Die Werte der Steuerparameter sind so lange gueltig, bis ein neuer Wert fuer den ",
        "jeweiligen Steuerparameter gesetzt wird.",
        "",
        "Es koennen nur Animationsdateien im kompakten Dateiformat vereinigt",
        "werden. Diese Dateien sind mit einem Texteditor lesbar und beginnen mit der Zeile",
        "ANMNEU.",
        "",
        "In Definitions-Textdateien zur FLM-Vereinigung sind folgende Steuerparameter "
        "zulaessig:",
        "",
        "  nkopien  = Anzahl Filmkopien mit gleichmaessigem zeitlichen Abstand (default = 1)",
        "  dx = Verschiebung in X-Richtung in mm (default = 0)",
        "  dy = Verschiebung in Y-Richtung in mm (default = 0)",
        "  dw = Verdrehwinkel in Grad (default = 0)",
        "  dphi = Taktwinkelverschiebung der ersten Filmkopie (default = 0)",
        "  i = Uebersetzungsverhaeltnis (default = 1)",
        "",
        "  outfile = Ausgabedatei",
        "  schritte = Anzahl Schritte der Gesamtsimulation",
        "",
        "",
        "Beispiel fuer eine Definitions-Textdatei:",
        "",
        "kopien=2",
        "dx=200",
        "dy=200",
        "dw=45",
        "i=2",
        "dphi=90",
        nullptr,  // film= test1.flm
        "kopien=1",
        "dx=0",
        "dy=0",
        "dw=0",
        "i=1",
        "dphi=0",
        nullptr,  // film= test1.flm
        nullptr,  // film= dlfteil1.flm
    };
    static const char* const kFilms[] = {"test1.flm", "test1.flm", "dlfteil1.flm"};
    std::string text;
    int film = 0;
    for (const char* line : kLines) {
        if (line)
            text += line;
        else
            mw31::format_append(&text, "film=%s/%s", kMergeHelpExampleDirectory, kFilms[film++]);
        text += '\n';
    }
    return text;
}

int merge_help_write(const std::string& name) {
    std::string error;
    return mw31::write_file_atomically(name, merge_help_text(), &error) ? 0 : 1;
}

}  // namespace film_out
