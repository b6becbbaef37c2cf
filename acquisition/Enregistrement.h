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
#include <QStringDecoder>
#include <QStringList>

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

// Reads a frame file fed in slices, a recording or a single frame (version 1): frames as they
// come, at most `borne` of them; a row cut by the end of the file is dropped with what follows.
class Lecture
{
public:
    explicit Lecture(qsizetype borne);

    // Takes the file's next bytes; false once it wants no more: refused, or at the bound.
    bool feed(QByteArrayView octets);
    // The file ended.
    void fin();

    // The frames read since the last call, in the file's order.
    QList<TrameDatee> prend();
    // Why the file is refused (French, for the user); empty while it is good.
    const QString& refus() const { return refus_; }
    // The file had more frames than the bound.
    bool aLaBorne() const { return aLaBorne_; }
    // The file ended inside a frame's row (a recording cut by a crash).
    bool coupee() const { return coupee_; }
    // 1 for a single frame, 2 for a recording, 0 before the first row is read.
    int version() const { return version_; }
    // When the recording began, as its head says.
    qint64 debutMs() const { return debutMs_; }
    qsizetype lues() const { return lues_; }

private:
    bool refuse(const QString& raison);
    bool refuseLigne(const QString& raison);
    bool premiereLigne(bool complet);
    bool analyse(bool complet);
    bool rangee(const QStringList& champs);
    bool trame(const QStringList& champs);

    qsizetype borne_;
    QByteArray brut_; // before the version is known, and a single frame whole
    QStringDecoder utf8_{QStringDecoder::Utf8};
    QString texte_;
    qsizetype lu_ = 0; // where the next row begins in texte_
    qsizetype ligne_ = 0;
    Csv::Style style_;
    enum class Etape { Debut, Vide, Colonnes, Trames } etape_ = Etape::Debut;
    qint64 debutMs_ = 0;
    QList<TrameDatee> trames_;
    qsizetype lues_ = 0;
    QString refus_;
    bool aLaBorne_ = false, coupee_ = false, fini_ = false;
    int version_ = 0;
};

} // namespace acquisition::Enregistrement
