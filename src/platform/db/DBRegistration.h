#pragma once
// Publishes the dataset framework's classes to the property and class registry: TDataSet's
// properties and events (inherited by every dataset class) and TDataSource, which form
// descriptions create by name.

void RegisterDBClasses();
