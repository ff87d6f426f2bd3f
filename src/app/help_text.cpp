#include "app/help_text.h"

namespace i2ct {

const std::vector<Text>& HelpLines() {
    static const std::vector<Text> kLines = [] {
        // Column 21 starts the explanations; the three lines with tabs are kept as they are.
        const char* const utf8Lines[] = {
            "1. SET ",
            "       INT 0        Leitung INT wird auf 0 Volt gesetzt",
            "       SDA 0        Leitung SDA wird auf 0 Volt gesetzt",
            "       SCL 0        Leitung SCL wird auf 0 Volt gesetzt",
            "       INT 1        Leitung INT wird auf 5 Volt gesetzt",
            "       SDA 1        Leitung SDA wird auf 5 Volt gesetzt",
            "       SCL 1        Leitung SCL wird auf 5 Volt gesetzt",
            "       SPEED        ",
            "             1500   Der I2C-Bus-Takt wird 1,5 KHz eingestellt",
            "                    alle Werte zwischen 30 und 320000 sind erlaubt",
            "       PULLUP       ",
            "              AUS   Die Pullup´s für SDA, SCL und INT werden ausgeschaltet",
            "              EIN   Die Pullup´s werden eingeschaltet",
            "       FILTER       Für die Funktion LISTEN wird eine Filter-Adresse gesetzt",
            "       \t\t      Beispiel: #SET Filter 0074   (Filter auf Adresse 0074 setzen)",
            "2. GET ",
            "       INT          Leitung INT wird abgefragt und das Ergebnis angezeigt (0 oder 1)",
            "       SDA          Leitung SDA wird abgefragt und das Ergebnis angezeigt (0 oder 1)",
            "       SCL          Leitung SCL wird abgefragt und das Ergebnis angezeigt (0 oder 1)",
            "       SPEED        Der aktuelle I2C-Bus-Takt wird ausgelesen und dargstellt",
            "       PULLUP       Der Status der Pullup-Widerstände wird angezeigt (0=aus / 1=ein)",
            "       VERSION      Die momentane Firmware-Version des Modes wird dargestellt",
            "3. WR  oder WRITE ",
            "                    Beispiel: #WR 0072 DF 03 9E ",
            "       \t\t      An die I2C-Adresse 72 werden die Daten DF 03 und 9E geschrieben",
            "4. RD  oder READ ",
            "                    Beispiel: #RD 0072 08 ",
            "       \t\t      Von der I2C-Adresse 72 werden 8 Daten-Byte ausgelesen",
            "5. LIS oder LISTEN ",
            "                    Das Modem wird angewiesen den I2C-Bus zu überwachen.",
            "                    Beispiel: #LISTEN 125",
            "                    Der Bus wird ca. 6 Sec. überwacht. (Zeit = Wert * 52ms)",
            "                    Der Zeitwert kann zwischen 1 und 255 liegen. (52mS - 13Sec ",
            "                    Wird in dieser Zeit ein Frame mit der Adresse im Filter gefunden",
            "                    so meldet das Modem die Adresse und die Daten",
            "                    Wird Listen mit der Zeit 0 aufgerufen, so wird der I2C-Bus",
            "                    ohne zeitliche Begrenzung überwacht. Man kann die Über-",
            "                    wachung nur anhalten indem man den STOP-BUTTON betätigt.",
            "                    Der BUTTON erscheint mit der Überwachung neben dem Status-Feld",
            "6. LDTB oder LOADTABLE",
            "                    Beispiel: #LDTB 0073 04",
            "                    Die Leseadresse 0073 wird in die INT-Quellen Tabelle eingefügt",
            "                    die 4 bedeutet das vier Leseoperationen auszuzführen sind",
            "                    maximal sind 16 Einträge in der Tabelle erlaubt",
            "7. CLTB oder CLEARTABLE",
            "                    Die Tabelle für Interupt-Quellen wird gelöscht",
            "8. CHKINT oder CHECKINTERUPT",
            "          EIN",
            "                    Das Interupt-Event Handling des Modes wird eingeschaltet",
            "                    Zur optischen Erinnerung blink das Status-Fenster",
            "          AUS",
            "                    Das Interupt-Event Handling des Modes wird wieder ausgeschaltet",
        };
        std::vector<Text> lines;
        for (const char* line : utf8Lines) {
            lines.push_back(cp1252(line));
        }
        return lines;
    }();
    return kLines;
}

}  // namespace i2ct
