// The one process-wide instance of every window, created once at start in a
// fixed order and never destroyed before the end. Null until created.
#pragma once

class TForm;

extern TForm *Form_Flash;
extern TForm *Form1_Denglu;
extern TForm *Form19;
extern TForm *Form20_Out_Stud;
extern TForm *Form21_Out_Class;
extern TForm *Form22_Object_Out;
extern TForm *Form1;
extern TForm *Form2_Main;
extern TForm *Form3_stud;
extern TForm *Form4_Class;
extern TForm *Form5_Object;
extern TForm *Form6_Scorce;
extern TForm *Form7_Login;
extern TForm *Form9_Add_Stud;
extern TForm *Form10_Query_Stud;
extern TForm *Form11_Add_Class;
extern TForm *Form12_Class_Query;
extern TForm *Form13_Add_Object;
extern TForm *Form14_Object_Query;
extern TForm *Form15_Add_Scroce;
extern TForm *Form16_Scroce_Query;
extern TForm *Form17_About;
extern TForm *Form26_Stat;
extern TForm *Form23_Data;
extern TForm *Form24_Import;
extern TForm *Form25_Restore;
