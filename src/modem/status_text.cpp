// SPDX-License-Identifier: LGPL-2.1-or-later
#include "modem/status_text.h"

namespace i2ct {

Text StatusText(std::uint8_t code) {
    const char* text = "allgemeiner Fehler";
    switch (code) {
        case 0x02:
        case 0xFF:
            text = "Unbekannte Frame-Adresse";
            break;
        case 0x03:
            text = "Kommando nicht bekannt";
            break;
        case 0x04:
            text = "Länge des Datenblocks wurde nicht übertragen";
            break;
        case 0x05:
            text = "Länge des Datenblocks zu groß";
            break;
        case 0x06:
            text = "End of Transmission wurde nicht übertragen";
            break;
        case 0x07:
            text = "Falsches EOT-Zeichen";
            break;
        case 0x08:
            text = "Zeitüberschreitung bei Datenübertragung";
            break;
        case 0x10:
            text = "Fehler beim Anfordern der Version";
            break;
        case 0x11:
            text = "Fehler beim Aufruf des Modem";
            break;
        case 0x20:
            text = "Slave reagiert nicht";
            break;
        case 0x21:
            text = "Fehler beim Schreiben der Daten in den Slave";
            break;
        case 0x22:
            text = "Timeout beim Clock-Stretch";
            break;
        case 0x41:
            text = "Kein gültiger Filter gesetzt";
            break;
        case 0x42:
            text = "Der Timeout-Wert für Listen ist ungültig";
            break;
        case 0x43:
            text = "Gesuchte Daten während Listen nicht aufgetreten";
            break;
        case 0x44:
            text = "Timeout während des Clock-Stretch";
            break;
        case 0x45:
            text = "Die IS-Tabelle ist voll";
            break;
        case 0x46:
            text = "Tabellen Daten unvollständig";
            break;
        case 0x47:
            text = "Es sind max. 4 Leseoperationen erlaubt";
            break;
        case 0x48:
            text = "Fehler beim Kommando Tabelle löschen";
            break;
        case 0x49:
            text = "Schreibadresse nicht IS-Tabelle zugelassen";
            break;
        case 0x4A:
            text = "INT-Überwachung konnte nicht gestartet werden";
            break;
        case 0x4B:
            text = "INT-Überwachung mit leerer Tabelle nicht möglich";
            break;
        case 0x4C:
            text = "Tabelle kann während INT-Überwachung nicht geändert werden";
            break;
        case 0x4D:
            text = "INT-Quelle nicht in Tabelle";
            break;
        default:
            break;
    }
    return cp1252(text);
}

}  // namespace i2ct
