#include "app/driver_messages.h"

#include "toolkit/win_ui.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

namespace app {
namespace {

enum class Builder { Plain, CardInit, DeviceOpen, DeviceRate };

struct Entry {
    std::int32_t errId;
    Builder builder;
    const char* text;    // UTF-8 here; shown through code page 1252
    const char* caption; // UTF-8 here
    UINT icon;
};

// clang-format off
const Entry kMessages[] = {
    {-1, Builder::Plain,
     "Der Orvane Treiber konnte nicht initialisiert werden. \r\nNicht genügend Speicher verfügbar.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Fehler", MB_ICONERROR},
    {-2, Builder::CardInit,
     "Fehler beim Lesen der Datei RBT Datei.",
     "Orvane Fehler", MB_ICONERROR},
    {-3, Builder::CardInit,
     "Die passende .RBT Datei konnte nicht im Systemverzeichnis von Windows gefunden werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Fehler", MB_ICONERROR},
    {-4, Builder::CardInit,
     "Der Orvane Treiber konnte nicht initialisiert werden. \r\nFehlende Timerresourcen im Windows System.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Fehler", MB_ICONERROR},
    {-5, Builder::DeviceOpen,
     "Das Aktivieren dieses Gerätes macht eine Reinitialisierung der Hardware notwendig.\r\nDies ist derzeit nicht möglich, da andere Geräte der Karte arbeiten.",
     "Orvane Fehler", MB_ICONERROR},
    {-6, Builder::Plain,
     "Die Einstellungen des Orvane Treibers können derzeit nicht geändert werden.\r\nBeenden Sie erst alle Anwendungen, welche die Orvane verwenden.",
     "Orvane Fehler", MB_ICONERROR},
    {-7, Builder::Plain,
     "Der Orvane Treiber konnte nicht initialisiert werden. \r\nFehler beim Lesen der Systemregistrierung.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Fehler", MB_ICONERROR},
    {-8, Builder::Plain,
     "Der Orvane Treiber konnte nicht initialisiert werden. \r\nSorry, interner Zeigerfehler.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Fehler", MB_ICONERROR},
    {-17, Builder::Plain,
     "Der Orvane Treiber konnte nicht initialisiert werden. \r\nDas Modul qorva.VXD wurde nicht geladen.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-18, Builder::Plain,
     "Der Orvane Treiber konnte nicht initialisiert werden. \r\nKernel Driver Device konnte nicht geöffnet werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-19, Builder::Plain,
     "Der Orvane Treiber konnte nicht initialisiert werden. \r\nKernel Audio Devices konnten nicht geöffnet werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-20, Builder::Plain,
     "Fehler beim Erzeugen eines Kernel Ereignisobjects.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-21, Builder::CardInit,
     "Die Playcounter der Orvane ließen sich nicht zurücksetzen. \r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-22, Builder::CardInit,
     "Die Playcounter der Orvane laufen nicht. \r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-23, Builder::CardInit,
     "Die Recordcounter der Orvane ließen sich nicht zurücksetzen. \r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-24, Builder::CardInit,
     "Die Recordcounter der Orvane laufen nicht. \r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-25, Builder::CardInit,
     "IRQ konnte nicht belegt werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-26, Builder::CardInit,
     "Der Interrupt Request der Hardware bleibt unerkannt.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-27, Builder::Plain,
     "Der Orvane Treiber konnte nicht initialisiert werden. \r\nFalsche Version des Moduls qorva.VXD\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-28, Builder::CardInit,
     "DirectSound Modul konnte nicht initialisiert werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-29, Builder::CardInit,
     "Midi Modul konnte nicht initialisiert werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-30, Builder::CardInit,
     "Fpga konnte nicht initialisiert werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-31, Builder::CardInit,
     "Kartenspeicher fehlerhaft.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-49, Builder::DeviceOpen,
     "Fehler bei I/O Operation mit Kernel.",
     "Orvane Fehler", MB_ICONERROR},
    {-51, Builder::DeviceRate,
     "Das Gerät \"%s\" kann momentan nicht mit der Samplerate %d Hz geöffnet werden.\r\nDer angeschlossene Clock Generator wird bereits durch ein anderes Gerät mit der Samplerate %d Hz betrieben.",
     "Orvane Fehler", MB_ICONERROR},
    {-52, Builder::DeviceRate,
     "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz stimmt nicht mit der des angeschlossenen und Clock Generators (%d Hz) überein.",
     "Orvane Warnung", MB_ICONINFORMATION},
    {-53, Builder::DeviceRate,
     "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt werden.\r\nDie Orvane Hardware konnte sich nicht auf den externen Clock einstellen (No Lock).",
     "Orvane Warnung", MB_ICONINFORMATION},
    {-54, Builder::DeviceRate,
     "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt werden.\r\nDer externe Clock entspricht einer Samplerate von %d Hz.",
     "Orvane Warnung", MB_ICONINFORMATION},
    {-55, Builder::DeviceOpen,
     "Sorry, Interner Fehler: Diese Fehlermeldung (NoRwP) dürfte nie erscheinen.",
     "Orvane Fehler", MB_ICONERROR},
    {-56, Builder::DeviceOpen,
     "Fehler beim Erzeugen eines Threads.",
     "Orvane Fehler", MB_ICONERROR},
    {-57, Builder::DeviceOpen,
     "Fehler beim Erzeugen eines Kernel Ereignisobjects.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-58, Builder::DeviceOpen,
     "Fehler beim Öffnen eines Kernel Ereignisobjekts.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-59, Builder::DeviceOpen,
     "Fehler beim Warten auf Ereignisobjekt.",
     "Orvane Initialisierungsfehler", MB_ICONERROR},
    {-60, Builder::DeviceOpen,
     "Adat-Monitoring ist aktiv.",
     "Orvane Fehler", MB_ICONERROR},
    {-61, Builder::DeviceRate,
     "Sorry, Interner Fehler: Diese Fehlermeldung (NoRwP) dürfte nie erscheinen.",
     "Orvane Fehler", MB_ICONERROR},
};
// clang-format on

const Entry kUndefined{0, Builder::Plain, "Undefined ErrId", "Internal Error", MB_ICONERROR};

// The one buffer that every builder composes into.
std::array<char, kMessageBufferSize> MessageBuffer{};

// Replaces the buffer's content by text, cut to what the buffer holds.
std::string setBuffer(const std::string& text) {
    std::size_t n = std::min(text.size(), kMessageBufferSize - 1);
    std::memcpy(MessageBuffer.data(), text.data(), n);
    MessageBuffer[n] = '\0';
    return std::string(MessageBuffer.data(), n);
}

const std::string& cp1252(const char* utf8) {
    // The texts are converted once; the table never changes. (A map keeps the references it
    // hands out valid while it grows.)
    static std::map<const char*, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end()) {
        it = cache.emplace(utf8, toolkit::Utf8ToCp1252(utf8)).first;
    }
    return it->second;
}

const Entry& lookUp(std::int32_t errId) {
    for (const Entry& e : kMessages) {
        if (e.errId == errId) {
            return e;
        }
    }
    return kUndefined;
}

} // namespace

std::string CardInitText(std::int32_t CardNo, const std::string& Text) {
    return setBuffer(cp1252("Die Hardware der Orvane Karte #") + std::to_string(CardNo) +
                     cp1252(" konnte nicht initialisiert werden. \r\n") + Text);
}

std::string DeviceOpenText(const TDeviceDescription* Device, const std::string& Text) {
    std::string text = cp1252("Das Gerät ");
    if (Device != nullptr) {
        text += '"' + Device->Name.substr(0, 63) + '"';
    }
    text += cp1252(" konnte nicht geöffnet werden. \r\n") + Text +
            cp1252("\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.");
    return setBuffer(text);
}

std::string DeviceRateText(const TDeviceDescription* Device, const std::string& Format) {
    if (Device == nullptr) {
        return setBuffer(Format);
    }
    // The placeholders in order: %s the name, the first %d the rate, the second the other
    // rate. Nothing else of the text is read as a format.
    std::string text;
    int numbers = 0;
    bool name = false;
    for (std::size_t i = 0; i < Format.size(); ++i) {
        if (Format[i] == '%' && i + 1 < Format.size()) {
            char kind = Format[i + 1];
            if (kind == 's' && !name) {
                text += Device->Name;
                name = true;
                ++i;
                continue;
            }
            if (kind == 'd' && numbers < 2) {
                text += std::to_string(numbers == 0 ? Device->Rate : Device->SecondRate);
                ++numbers;
                ++i;
                continue;
            }
        }
        text += Format[i];
    }
    return setBuffer(text);
}

bool DriverErrorMessage(std::int32_t Param, std::int32_t ErrId, TDriverMessage& Msg) {
    if (ErrId == 1 || ErrId == 0 || ErrId == -50) {
        return false;
    }
    const Entry& entry = lookUp(ErrId);
    const std::string& text = cp1252(entry.text);
    switch (entry.builder) {
    case Builder::Plain:
        Msg.Text = text;
        break;
    case Builder::CardInit:
        Msg.Text = CardInitText(Param, text);
        break;
    // A card number is no device: device messages are composed without one.
    case Builder::DeviceOpen:
        Msg.Text = DeviceOpenText(nullptr, text);
        break;
    case Builder::DeviceRate:
        Msg.Text = DeviceRateText(nullptr, text);
        break;
    }
    Msg.Caption = cp1252(entry.caption);
    Msg.Style = MB_OK | entry.icon;
    return true;
}

bool ShowDriverError(std::int32_t Param, std::int32_t ErrId) {
    TDriverMessage msg;
    if (!DriverErrorMessage(Param, ErrId, msg)) {
        return false;
    }
    ShowDriverMessage(msg);
    return true;
}

void ShowDriverMessage(const TDriverMessage& Msg) {
    MessageBoxA(nullptr, Msg.Text.c_str(), Msg.Caption.c_str(), Msg.Style);
}

void ShowDriverNotOpened(HWND Owner) {
    MessageBoxA(Owner,
                "Orvane Treiber konnte nicht ge\xF6"
                "ffnet werden.",
                "Fehler", MB_ICONERROR);
}

} // namespace app
