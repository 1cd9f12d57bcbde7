// plot and report: the recording at a glance, as a picture and as evidence.

#include <QFileInfo>
#include <QRegularExpression>

#include "BatchViewer.h"
#include "CliError.h"
#include "Commands.h"
#include "drawing/EvidenceReport.h"

namespace {

QSize plotSize(const CliArgs& args) {
  const QString text = args.value("--size").value_or(QStringLiteral("1200x500"));
  static const QRegularExpression kSize(QStringLiteral("^([0-9]+)x([0-9]+)$"));
  const QRegularExpressionMatch m = kSize.match(text);
  if (!m.hasMatch()) throw CliError::Usage(QStringLiteral("--size must be WIDTHxHEIGHT, not '%1'").arg(text));
  const auto side = [&](int i) { return static_cast<int>(CliArgs::Number("--size", m.captured(i), 200, 8000)); };
  return {side(1), side(2)};
}

// -o's name, checked before the walk: its extension one of those given.
QString outputNamed(const CliArgs& args, const QString& recording, const QStringList& extensions) {
  const QString out = args.required("-o");
  if (!extensions.contains(QFileInfo(out).suffix().toLower()))
    throw CliError::Usage(QStringLiteral("-o must name a .%1 file").arg(extensions.join(QStringLiteral(" or ."))));
  CheckOutput(out, args.flag("--force"), recording);
  return out;
}

// --lang: the language of what the picture or report says; English, as the tool speaks.
TextLanguage languageOf(const CliArgs& args) {
  const QString lang = args.value("--lang").value_or(QStringLiteral("en"));
  if (lang == QLatin1String("en")) return TextLanguage::English;
  if (lang == QLatin1String("pl")) return TextLanguage::Polish;
  throw CliError::Usage(QStringLiteral("--lang must be pl or en, not '%1'").arg(lang));
}

}  // namespace

int RunPlot(const CliArgs& args) {
  const std::optional<int> limit = args.value("--over")
                                       ? std::optional<int>(CliArgs::Number("--over", *args.value("--over"), 0, 1000))
                                       : std::nullopt;
  const QSize size = plotSize(args);
  BatchViewer viewer(args.powerOnMinutes(), false);
  viewer.Open(args.file());
  const QString out = outputNamed(args, viewer.path(), {QStringLiteral("svg"), QStringLiteral("png")});
  const SpeedPlot plot(viewer.Records(), limit, args.powerOnMinutes(), TextLanguage::English);
  const auto text = StartDrawing(true);
  ReplaceExisting(out);
  QString error;
  if (!plot.Write(out, size, &error)) throw CliError::Failure(out, error);
  return kExitDone;
}

int RunReport(const CliArgs& args) {
  const int limit = static_cast<int>(CliArgs::Number("--over", args.required("--over"), 0, 1000));
  const TextLanguage language = languageOf(args);
  BatchViewer viewer(args.powerOnMinutes(), false);
  viewer.Open(args.file());
  const QString out = outputNamed(args, viewer.path(), {QStringLiteral("pdf"), QStringLiteral("html")});
  QString error;
  const std::optional<EvidenceReport> report =
      GatherEvidence(viewer.path(), viewer.Records(), limit, args.powerOnMinutes(), &error);
  if (!report) throw CliError::Failure(viewer.path(), error);
  const auto text = StartDrawing(true);
  ReplaceExisting(out);
  if (!WriteEvidenceReport(*report, out, language, &error)) throw CliError::Failure(out, error);
  return kExitDone;
}
