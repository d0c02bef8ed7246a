#include "ui/Instances.h"

TForm *Form_Flash = nullptr;
TForm *Form1_Denglu = nullptr;
TForm *Form19 = nullptr;
TForm *Form20_Out_Stud = nullptr;
TForm *Form21_Out_Class = nullptr;
TForm *Form22_Object_Out = nullptr;
TForm *Form1 = nullptr;
TForm *Form2_Main = nullptr;
TForm *Form3_stud = nullptr;
TForm *Form4_Class = nullptr;
TForm *Form5_Object = nullptr;
TForm *Form6_Scorce = nullptr;
TForm *Form7_Login = nullptr;
TForm *Form9_Add_Stud = nullptr;
TForm *Form10_Query_Stud = nullptr;
TForm *Form11_Add_Class = nullptr;
TForm *Form12_Class_Query = nullptr;
TForm *Form13_Add_Object = nullptr;
TForm *Form14_Object_Query = nullptr;
TForm *Form15_Add_Scroce = nullptr;
TForm *Form16_Scroce_Query = nullptr;
TForm *Form17_About = nullptr;
TForm *Form26_Stat = nullptr;
TForm *Form23_Data = nullptr;
TForm *Form24_Import = nullptr;
TForm *Form25_Restore = nullptr;
