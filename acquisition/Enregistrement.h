#pragma once

// A recording: version 2 of the frame file, one row per frame, written as the frames arrive and
// read back in slices. UTF-8, the separators of the user's spreadsheet, like a single frame.
//
// The head: the signature row, the start (ISO 8601 with the UTC offset), an empty row, the
// columns. Then each frame: its local date and time to the millisecond, its seconds since the
// start, its settings, the panel's measurements, the scales (volts per code, the code at 0 V,
// seconds per sample) and the 80 codes of each channel. Volts are not written per sample: 80
// more numbers of up to 19 digits per channel would not fit an hour in 100 MB; a volt is
// (code - code at 0 V) x volts per code, each of them in the same row.
#include "acquisition/CsvCommun.h"
#include "acquisition/TrameDatee.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace acquisition::Enregistrement {

// The columns of a frame's row, as the file's header names them.
const QStringList& colonnes();

class Ecriture
{
public:
    // `debutMs`: when the recording began (wall clock, ms since the epoch).
    Ecriture(qint64 debutMs, const QLocale& locale);
    QByteArray entete() const;
    QByteArray ligne(const TrameDatee& t) const;

private:
    qint64 debutMs_;
    Csv::Style style_;
};

// What a frame's row needs to be read alone, once the file's head is known.
struct Format
{
    Csv::Style style;
    qint64 debutMs = 0;
};

// Where a whole, good row of a recording lies in its file, and when its frame came: what a
// recording replayed keeps of each frame, the frame itself being read again when it is shown.
struct Place
{
    qint64 debut = 0;
    qint32 longueur = 0;
    qint64 arriveeMs = 0;
};

// One frame's row (its line end included or not); why not, for the user, in `raison`.
std::optional<TrameDatee> litLigne(QByteArrayView octets, const Format& format, QString* raison = nullptr);

// Reads a frame file fed in slices, a recording or a single frame (version 1): frames as they
// come, at most `borne` of them. A recording's damaged row is skipped and counted; the bytes after
// its last line end (a row being written, a tail of zeros a power cut left) are a cut, not a fault.
class Lecture
{
public:
    explicit Lecture(qsizetype borne);

    // Takes the file's next bytes; false once it wants no more: refused, or at the bound.
    bool feed(QByteArrayView octets);
    // The file ended, for now: a recording still written into may be fed again afterwards.
    void fin();

    // The frames read since the last call, in the file's order; nothing is kept once
    // garderTrames(false), where places() alone says where they lie.
    QList<TrameDatee> prend();
    void garderTrames(bool garder) { garder_ = garder; }
    std::vector<Place> prendPlaces() { return std::exchange(places_, {}); }
    // Why the file is refused (French, for the user); empty while it is good.
    const QString& refus() const { return refus_; }
    // The file had more frames than the bound.
    bool aLaBorne() const { return aLaBorne_; }
    // Bytes follow the last whole row (a recording cut by a crash, or the row being written).
    bool coupee() const { return coupee_; }
    // Rows skipped as damaged, and the first of them with its reason.
    qsizetype abimees() const { return abimees_; }
    const QString& premiereAbimee() const { return premiereAbimee_; }
    // 1 for a single frame, 2 for a recording, 0 before the first row is read.
    int version() const { return version_; }
    // When the recording began, as its head says.
    qint64 debutMs() const { return format_.debutMs; }
    const Format& format() const { return format_; }
    qsizetype lues() const { return lues_; }

private:
    bool refuse(const QString& raison);
    bool refuseLigne(const QString& raison);
    bool premiereLigne(bool complet);
    bool decoupe(QByteArrayView octets);
    bool ligneEntiere(QByteArrayView octets, qint64 ou);
    bool rangee(const QStringList& champs);

    qsizetype borne_;
    QByteArray brut_;       // before the version is known, and a single frame whole
    QByteArray attente_;    // a recording's row not yet ended
    qint64 position_ = 0;   // where attente_ begins in the file
    qsizetype examine_ = 0; // how far attente_ has been searched for its end
    bool guillemets_ = false, tropLongue_ = false;
    qsizetype ligne_ = 0;
    Format format_;
    enum class Etape { Debut, Vide, Colonnes, Trames } etape_ = Etape::Debut;
    QList<TrameDatee> trames_;
    std::vector<Place> places_;
    bool garder_ = true;
    qsizetype lues_ = 0, abimees_ = 0;
    QString refus_, premiereAbimee_;
    bool aLaBorne_ = false, coupee_ = false, fini_ = false;
    int version_ = 0;
};

} // namespace acquisition::Enregistrement
