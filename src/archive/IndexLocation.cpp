#include "archive/IndexLocation.h"

#include <algorithm>

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace {

QString decoded(const QString& part) { return QUrl::fromPercentEncoding(part.toUtf8()); }

}  // namespace

bool IndexLocation::IsUrl(const QString& given) {
  return given.startsWith(QLatin1String("postgresql://")) || given.startsWith(QLatin1String("postgres://"));
}

namespace {

// The URL with its password (before the '@', or as password=) replaced by `instead`, or taken
// out with the ':' or the parameter that carried it when `instead` is empty. An unencoded '/'
// or '?' in a password ends the authority early: everything up to the last '@' counts.
QString withPassword(const QString& given, const QString& instead) {
  if (!IndexLocation::IsUrl(given)) return given;
  const qsizetype start = given.indexOf(QLatin1String("://")) + 3;
  QString out = given;
  if (const qsizetype at = given.lastIndexOf(QLatin1Char('@')); at >= start) {
    const qsizetype colon = given.indexOf(QLatin1Char(':'), start);
    if (colon >= 0 && colon < at) out = given.left(instead.isEmpty() ? colon : colon + 1) + instead + given.mid(at);
  }
  if (instead.isEmpty()) {
    static const QRegularExpression parameter(QStringLiteral("([?&])password=[^&]*(&|$)"));
    out.replace(parameter, QStringLiteral("\\1"));
    if (out.endsWith(QLatin1Char('?')) || out.endsWith(QLatin1Char('&'))) out.chop(1);
    return out;
  }
  static const QRegularExpression parameter(QStringLiteral("([?&]password=)[^&]*"));
  return out.replace(parameter, QStringLiteral("\\1") + instead);
}

}  // namespace

QString IndexLocation::Masked(const QString& given) { return withPassword(given, QStringLiteral("***")); }

QString IndexLocation::WithoutPassword(const QString& given) { return withPassword(given, {}); }

std::optional<IndexLocation> IndexLocation::Of(const QString& given, QString* error) {
  IndexLocation out;
  out.shown = Masked(given);
  if (!IsUrl(given)) {
    out.file = given;
    return out;
  }
  out.postgres = true;
  const auto fail = [&](const QString& why) {
    *error = why;
    return std::nullopt;
  };
  QString rest = given.mid(given.indexOf(QLatin1String("://")) + 3);
  QString query;
  if (const qsizetype q = rest.indexOf(QLatin1Char('?')); q >= 0) {
    query = rest.mid(q + 1);
    rest.truncate(q);
  }
  const qsizetype slash = rest.indexOf(QLatin1Char('/'));
  const QString authority = slash < 0 ? rest : rest.left(slash);
  out.database = slash < 0 ? QString() : decoded(rest.mid(slash + 1));
  QString hostPort = authority;
  if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
    const QString userInfo = authority.left(at);
    hostPort = authority.mid(at + 1);
    const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
    out.user = decoded(colon < 0 ? userInfo : userInfo.left(colon));
    if (colon >= 0) out.password = decoded(userInfo.mid(colon + 1));
  }
  QString port;
  if (hostPort.startsWith(QLatin1Char('['))) {  // [IPv6]:port
    const qsizetype close = hostPort.indexOf(QLatin1Char(']'));
    if (close < 0) return fail(QStringLiteral("cannot read the database URL (an unclosed '[')"));
    out.host = hostPort.mid(1, close - 1);
    if (hostPort.size() > close + 1) {
      if (hostPort[close + 1] != QLatin1Char(':')) return fail(QStringLiteral("cannot read the database URL's host"));
      port = hostPort.mid(close + 2);
    }
  } else if (const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':')); colon >= 0) {
    out.host = decoded(hostPort.left(colon));
    port = hostPort.mid(colon + 1);
  } else {
    out.host = decoded(hostPort);
  }
  QStringList options;
  for (const QString& pair : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
    const qsizetype eq = pair.indexOf(QLatin1Char('='));
    if (eq <= 0) return fail(QStringLiteral("cannot read the database URL's parameter '%1'").arg(pair));
    const QString key = decoded(pair.left(eq)), value = decoded(pair.mid(eq + 1));
    if (key == QLatin1String("host")) {
      out.host = value;
    } else if (key == QLatin1String("port")) {
      port = value;
    } else if (key == QLatin1String("user")) {
      out.user = value;
    } else if (key == QLatin1String("dbname")) {
      out.database = value;
    } else if (key == QLatin1String("password")) {
      out.password = value;
    } else {
      if (value.contains(QLatin1Char(';'))) return fail(QStringLiteral("the database URL's '%1' holds a ';'").arg(key));
      // Quoted as libpq reads a value, so that spaces, quotes and backslashes stay in it.
      QString quoted = value;
      quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
      options << key + QLatin1String("='") + quoted + QLatin1Char('\'');
    }
  }
  if (!port.isEmpty()) {
    bool ok = false;
    out.port = port.toInt(&ok);
    if (!ok || out.port < 1 || out.port > 65535)
      return fail(QStringLiteral("the database URL's port '%1' is no port").arg(port));
  }
  if (out.database.isEmpty()) return fail(QStringLiteral("the database URL names no database"));
  // A server that does not answer, or a network that goes silent under a connection, is a
  // clear error after a while, never a hang; the URL may say otherwise.
  for (const char* keyword : {"connect_timeout=10", "keepalives_idle=30", "keepalives_interval=10",
                              "keepalives_count=3", "tcp_user_timeout=60000"}) {
    const QString option = QString::fromLatin1(keyword);
    const QString key = option.left(option.indexOf(QLatin1Char('=')) + 1);
    if (!std::any_of(options.begin(), options.end(), [&](const QString& o) { return o.startsWith(key); }))
      options << option;
  }
  out.options = options.join(QLatin1Char(';'));
  return out;
}
