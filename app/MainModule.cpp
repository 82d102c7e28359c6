#include "MainModule.h"

void BeginPrinterJob(MainModule& module) {
    // A CUPS server one library found silent is not waited for again by the other.
    module.printerJob = std::make_shared<SlpJobShare>();
    module.printer7x32->SlpBeginJob(module.printerJob);
    module.printer62->SlpBeginJob(module.printerJob);
}

void ResetLabelJob(MainModule& module) {
    module.job.CustomerId = QStringLiteral("0");
    module.job.LabelCount = 0;
    module.job.Kind = LargeLabel;
    JobBoxes& boxes = module.window(); // the window is created, and loaded, on first use
    boxes.setText1(QString());
    boxes.setText2(QString());
    module.job.RepeatCount = 1;
}
